#include "PointerTrackingView.h"

namespace toolkit {

PointerTrackingView::PointerTrackingView(QWidget* parent) : QWidget(parent) {}

void PointerTrackingView::paintEvent(QPaintEvent*)
{
    // The window it sits in paints the background.
}

void PointerTrackingView::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    if (onEntered)
        onEntered();
}

void PointerTrackingView::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    if (onExited)
        onExited();
}

} // namespace toolkit
