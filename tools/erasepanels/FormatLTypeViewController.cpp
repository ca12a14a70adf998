#include "FormatLTypeViewController.h"

#include "ErasureStandardChoice.h"
#include "toolkit/Label.h"
#include "toolkit/PointerTrackingView.h"

#include "core/ErasureStandards.h"
#include "toolkit/InterfaceStyle.h"

#include <QLabel>

namespace {
constexpr int kWidth = 320;
constexpr int kRowHeight = 30;
} // namespace

FormatLTypeViewController::FormatLTypeViewController(QObject* parent) : QObject(parent)
{
    loadView();
}

FormatLTypeViewController::~FormatLTypeViewController()
{
    delete view_.data();
}

QWidget* FormatLTypeViewController::view() const
{
    return view_;
}

void FormatLTypeViewController::loadView()
{
    view_ = new toolkit::PointerTrackingView;
    view_->resize(kWidth, kRowHeight * kRowCount);
    view_->onEntered = [this] { mouseEntered(); };
    view_->onExited = [this] { mouseExited(); };
    for (int i = 0; i < kRowCount; ++i) {
        auto* row = new SortSelectBgView(QRect(0, i * kRowHeight, kWidth, kRowHeight), QString::number(i), view_);
        row->setDelegate(this);
        texts_[static_cast<size_t>(i)] = toolkit::makeLabel(row, QRect(14, 0, kWidth - 20, kRowHeight),
                                                                 erasureStandardLabel(i), toolkit::lightFont(13),
                                                                 toolkit::whiteAlpha(0.9f));
        views_[static_cast<size_t>(i)] = row;
    }
}

void FormatLTypeViewController::selectSortType(SortSelectBgView* row)
{
    if (!row)
        return;
    const int index = row->identifier().toInt();
    delegateMouseEntered(index);
    if (delegate_)
        delegate_->selectFormatbyType(index);
}

void FormatLTypeViewController::delegateMouseEntered(int index)
{
    standardchoice::storeErasureStandard(index);
}

void FormatLTypeViewController::mouseEntered()
{
    if (delegate_)
        delegate_->mouseEixtView(false);
}

void FormatLTypeViewController::mouseExited()
{
    if (delegate_)
        delegate_->mouseEixtView(true);
}
