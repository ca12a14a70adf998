#include "StepLineView.h"

#include "InterfaceStyle.h"

#include <QPaintEvent>
#include <QPainter>

StepLineView::StepLineView(QWidget* parent) : QWidget(parent) {}

void StepLineView::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    p.fillRect(event->rect(), isRuned_ ? toolkit::colorOf(18, 115, 239, 1.0f) : toolkit::colorOf(32, 32, 39, 1.0f));
}
