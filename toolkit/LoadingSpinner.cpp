#include "LoadingSpinner.h"

#include "InterfaceStyle.h"

#include <QPainter>
#include <QTimerEvent>

LoadingSpinner::LoadingSpinner(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
}

void LoadingSpinner::startAnimation()
{
    show();
    raise();
    if (!timer_)
        timer_ = startTimer(80);
}

void LoadingSpinner::stopAnimation()
{
    if (timer_)
        killTimer(timer_);
    timer_ = 0;
    hide();
}

void LoadingSpinner::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != timer_)
        return;
    step_ = (step_ + 1) % 12;
    update();
}

void LoadingSpinner::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double side = std::min(width(), height());
    painter.translate(width() / 2.0, height() / 2.0);
    for (int i = 0; i < 12; ++i) {
        const int age = (step_ - i + 12) % 12;
        const QColor c = toolkit::whiteAlpha(float(1.0 - age / 13.0));
        painter.save();
        painter.rotate(i * 30.0);
        painter.setPen(Qt::NoPen);
        painter.setBrush(c);
        painter.drawRoundedRect(QRectF(-side * 0.05, -side * 0.48, side * 0.1, side * 0.24), side * 0.05, side * 0.05);
        painter.restore();
    }
}
