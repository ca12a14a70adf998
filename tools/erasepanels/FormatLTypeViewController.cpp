#include "FormatLTypeViewController.h"

#include "ErasureStandardChoice.h"

#include "core/ErasureStandards.h"

namespace {

QStringList standardLabels()
{
    QStringList labels;
    for (int i = 0; i < FormatLTypeViewController::kRowCount; ++i)
        labels << erasureStandardLabel(i);
    return labels;
}

} // namespace

FormatLTypeViewController::FormatLTypeViewController(QObject* parent)
    : toolkit::TextListDropDown(standardLabels(), 320, parent)
{
}

void FormatLTypeViewController::delegateMouseEntered(int index)
{
    standardchoice::storeErasureStandard(index);
}
