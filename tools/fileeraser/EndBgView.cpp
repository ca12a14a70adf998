#include "EndBgView.h"

#include "toolkit/InterfaceStyle.h"

#include <QPainter>

EndBgView::EndBgView(QWidget* parent) : QWidget(parent) {}

void EndBgView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), toolkit::colorOf(50, 50, 62, 1.0));
}
