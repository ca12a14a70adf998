#include "MainLeftBgView.h"

#include "toolkit/InterfaceStyle.h"

#include <QLinearGradient>
#include <QPainter>

MainLeftBgView::MainLeftBgView(QWidget* parent)
    : QWidget(parent)
{
    // The gradient is opaque and covers the whole view: nothing beneath it
    // needs painting.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void MainLeftBgView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // A 90° gradient runs upwards.
    QLinearGradient gradient(QPointF(0, height()), QPointF(0, 0));
    gradient.setColorAt(0, toolkit::colorOf(39, 39, 48, 1));
    gradient.setColorAt(1, toolkit::colorOf(50, 50, 62, 1));
    painter.fillRect(rect(), gradient);
}
