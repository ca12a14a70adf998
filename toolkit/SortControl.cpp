#include "SortControl.h"

#include "Coordinates.h"
#include "DropDownHost.h"
#include "InterfaceStyle.h"
#include "Label.h"
#include "MAAttachedWindow.h"
#include "TCImageButton.h"

#include <QLabel>

SortControl::SortControl(const QRect& frame, QWidget* parent, Opens opens) : QObject(parent), opens_(opens)
{
    dropDown_ = new DropDownHost(toolkit::DropDownState::Reopen::Replace, this);
    button_ = toolkit::makeIconButton(parent, frame,
                                      {QStringLiteral("sortby"), QStringLiteral("sortby_press"),
                                       QStringLiteral("sortby_hover"), QStringLiteral("sortby")},
                                      QStringLiteral("排序"));
    titleLabel_ = toolkit::makeLabel(button_, QRect(28, 0, frame.width() - 28, frame.height()), QString(),
                                     toolkit::lightFont(12), toolkit::whiteAlpha(0.7f));
    button_->setText(FileEraserSortVC::sortTitle(sortType_, sortAD_));
    titleLabel_->setText(button_->text());
    connect(button_, &QAbstractButton::clicked, this, &SortControl::sortButtonAction);
}

SortControl::~SortControl()
{
    delete dropDown_;
    dropDown_ = nullptr;
}

FileEraserSortVC* SortControl::sortVC() const
{
    return qobject_cast<FileEraserSortVC*>(dropDown_->listController());
}

void SortControl::sortButtonAction()
{
    auto* sortVC = new FileEraserSortVC;
    sortVC->setDelegate(this);
    // The list hangs from the middle of the control's top or bottom edge.
    const bool above = opens_ == Opens::Above;
    const QPointF anchor =
        toolkit::windowBasePoint(button_, QPointF(button_->width() / 2.0, above ? 0.0 : double(button_->height())));
    if (!dropDown_->open(sortVC, sortVC->view(), button_->window(), anchor, above ? 3 : 1, 0.0f))
        return;
    sortVC->setSortTypeWithSortAD(sortType_, sortAD_);
}

void SortControl::closeMattachedWindow()
{
    dropDown_->closeMattachedWindow();
}

void SortControl::mouseEixtView(bool exited)
{
    dropDown_->mouseEixtView(exited);
}

void SortControl::selectSortbyType(int sortType, int sortAD)
{
    dropDown_->choiceMade();
    sortType_ = sortType;
    sortAD_ = sortAD;
    button_->setText(FileEraserSortVC::sortTitle(sortType_, sortAD_));
    titleLabel_->setText(button_->text());
    if (onChoice)
        onChoice(sortType_, sortAD_);
}
