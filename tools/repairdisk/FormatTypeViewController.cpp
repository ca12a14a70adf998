#include "FormatTypeViewController.h"

#include "RepairDiskRules.h"

#include "toolkit/InterfaceStyle.h"
#include "toolkit/Label.h"

namespace {
constexpr int kWidth = 200;
constexpr int kRowHeight = 30;
} // namespace

FormatTypeViewController::FormatTypeViewController(QObject* parent) : QObject(parent)
{
    const QStringList types = repairdisk::formatTypes();
    view_ = new toolkit::PointerTrackingView;
    view_->resize(kWidth, kRowHeight * int(types.size()));
    view_->onEntered = [this] { mouseEntered(); };
    view_->onExited = [this] { mouseExited(); };
    for (int i = 0; i < types.size(); ++i) {
        auto* row = new SortSelectBgView(QRect(0, i * kRowHeight, kWidth, kRowHeight), QString::number(i), view_);
        row->setDelegate(this);
        toolkit::makeLabel(row, QRect(14, 0, kWidth - 20, kRowHeight), types.at(i), toolkit::lightFont(13),
                           toolkit::whiteAlpha(0.9f));
        rows_ << row;
    }
}

FormatTypeViewController::~FormatTypeViewController()
{
    delete view_.data();
}

void FormatTypeViewController::selectSortType(SortSelectBgView* row)
{
    if (row && delegate_)
        delegate_->selectFormatbyType(row->identifier().toInt());
}

void FormatTypeViewController::mouseEntered()
{
    if (delegate_)
        delegate_->mouseEixtView(false);
}

void FormatTypeViewController::mouseExited()
{
    if (delegate_)
        delegate_->mouseEixtView(true);
}
