#include "SortSelectBgView.h"

#include "InterfaceStyle.h"

#include <QMouseEvent>
#include <QPainter>

SortSelectBgView::SortSelectBgView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_Hover);
}

SortSelectBgView::SortSelectBgView(const QRect& frame, const QString& identifier, QWidget* parent)
    : SortSelectBgView(parent)
{
    setGeometry(frame);
    identifier_ = identifier;
}

void SortSelectBgView::mouseEntered()
{
    isMouseIn_ = true;
    update();
}

void SortSelectBgView::mouseExited()
{
    isMouseIn_ = false;
    update();
}

void SortSelectBgView::paintEvent(QPaintEvent* event)
{
    if (!isMouseIn_)
        return;
    // Behind the row's label and mark, which are child widgets.
    QPainter painter(this);
    painter.fillRect(event->rect(), toolkit::colorOf(10, 132, 255, 1.0));
}

void SortSelectBgView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    if (delegate_)
        delegate_->selectSortType(this);
}

void SortSelectBgView::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    mouseEntered();
}

void SortSelectBgView::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    mouseExited();
}
