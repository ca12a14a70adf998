#include "BaseWbgView.h"

#include "InterfaceStyle.h"

#include <QPainter>
#include <QPainterPath>

BaseWbgView::BaseWbgView(QWidget* parent)
    : QWidget(parent)
{
    setMouseTracking(true);
}

void BaseWbgView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), 4, 4);
    painter.fillPath(path, toolkit::whiteAlpha(0.16f));
}

void BaseWbgView::enterEvent(QEnterEvent* event)
{
    if (delegate_)
        delegate_->dropMouseEixtView(false);
    QWidget::enterEvent(event);
}

void BaseWbgView::leaveEvent(QEvent* event)
{
    if (delegate_)
        delegate_->dropMouseEixtView(true);
    QWidget::leaveEvent(event);
}
