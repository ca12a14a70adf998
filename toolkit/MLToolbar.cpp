#include "MLToolbar.h"

#include "Coordinates.h"
#include "WindowButtonLayout.h"

#include "platform/NotificationCenter.h"

#include <QMouseEvent>

MLToolbar::MLToolbar(const QRect& frame, QWidget* parent) : MLToolbar(frame, FromStoredView{}, parent)
{
    setVerticalButtons(false);
}

MLToolbar::MLToolbar(const QRect& frame, FromStoredView, QWidget* parent) : MLGlassView(parent)
{
    setGeometry(frame);
    setMouseTracking(true);
    commonInit();
}

void MLToolbar::commonInit()
{
    hiddenButtons_ = false;
    justClose_ = false;
    closeButton_ = StandardWindowButton::standardWindowButton(StandardWindowButton::CloseButton, this);
    minimizeButton_ = StandardWindowButton::standardWindowButton(StandardWindowButton::MiniaturizeButton, this);
    maximizeButton_ = StandardWindowButton::standardWindowButton(StandardWindowButton::ZoomButton, this);
    closeButton_->setMomentaryChange(true);
    for (StandardWindowButton* b : {closeButton_.data(), minimizeButton_.data(), maximizeButton_.data()}) {
        b->setMouseTracking(true);
        b->installEventFilter(this);
    }
    layoutButtons(int(toolkit::ToolbarArrangement::InitialRow));
    createTrackingArea();
}

void MLToolbar::layoutButtons(int arrangement)
{
    if (!closeButton_)
        return;
    const toolkit::ToolbarButtons frames =
        toolkit::layoutToolbarButtons(height(), closeButton_->size(), toolkit::ToolbarArrangement(arrangement));
    closeButton_->setGeometry(toolkit::flipRect(frames.close, height()).toRect());
    minimizeButton_->setGeometry(toolkit::flipRect(frames.minimize, height()).toRect());
    maximizeButton_->setGeometry(toolkit::flipRect(frames.maximize, height()).toRect());
}

void MLToolbar::setVerticalButtons(bool vertical)
{
    verticalButtons_ = vertical;
    layoutButtons(int(vertical ? toolkit::ToolbarArrangement::Column : toolkit::ToolbarArrangement::Row));
    createTrackingArea();
}

void MLToolbar::setHiddenButtons(bool hidden)
{
    hiddenButtons_ = hidden;
    if (hidden) {
        for (StandardWindowButton* b : {closeButton_.data(), minimizeButton_.data(), maximizeButton_.data()})
            delete b;
    }
    createTrackingArea();
}

void MLToolbar::setJustClose(bool justClose)
{
    justClose_ = justClose;
    if (justClose) {
        if (minimizeButton_)
            minimizeButton_->hide();
        if (maximizeButton_)
            maximizeButton_->hide();
    }
    createTrackingArea();
}

void MLToolbar::createTrackingArea()
{
    trackingArea_.reset();
    if (hiddenButtons_)
        return;
    const QSizeF closeSize = closeButton_ ? QSizeF(closeButton_->size()) : toolkit::standardWindowButtonSize();
    const QRectF area = toolkit::toolbarTrackingRect(height(), closeSize, verticalButtons_, justClose_);
    trackingArea_ = toolkit::flipRect(area, height()).toRect();
    pointerInside_ = false;
}

void MLToolbar::pointerAt(const QPoint& pos)
{
    const bool inside = trackingArea_ && trackingArea_->contains(pos);
    if (inside == pointerInside_)
        return;
    pointerInside_ = inside;
    platform::NotificationCenter::defaultCenter().post(
        inside ? QStringLiteral("HMTrafficButtonMouseEnter") : QStringLiteral("HMTrafficButtonMouseExit"), this);
}

void MLToolbar::pointerGone()
{
    if (!pointerInside_)
        return;
    pointerInside_ = false;
    platform::NotificationCenter::defaultCenter().post(QStringLiteral("HMTrafficButtonMouseExit"), this);
}

void MLToolbar::mouseMoveEvent(QMouseEvent* event)
{
    pointerAt(event->position().toPoint());
    MLGlassView::mouseMoveEvent(event);
}

void MLToolbar::leaveEvent(QEvent* event)
{
    pointerGone();
    MLGlassView::leaveEvent(event);
}

bool MLToolbar::eventFilter(QObject* watched, QEvent* event)
{
    auto* button = qobject_cast<QWidget*>(watched);
    if (button && event->type() == QEvent::MouseMove)
        pointerAt(button->mapToParent(static_cast<QMouseEvent*>(event)->position().toPoint()));
    else if (button && event->type() == QEvent::Enter)
        pointerAt(button->geometry().center());
    return MLGlassView::eventFilter(watched, event);
}
