#include "RightBgView.h"

#include "InterfaceStyle.h"

#include <QPainter>

RightBgView::RightBgView(QWidget* parent)
    : QWidget(parent)
{
}

void RightBgView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), toolkit::colorOf(50, 50, 62, 1));
}
