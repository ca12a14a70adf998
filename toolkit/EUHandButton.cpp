#include "EUHandButton.h"

#include <QEnterEvent>

EUHandButton::EUHandButton(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
}

EUHandButton::EUHandButton(const QRect& frame, QWidget* parent) : EUHandButton(parent)
{
    setGeometry(frame);
}

void EUHandButton::paintEvent(QPaintEvent*) {}

void EUHandButton::enterEvent(QEnterEvent* event)
{
    QAbstractButton::enterEvent(event);
    setCursor(Qt::PointingHandCursor);
}

void EUHandButton::leaveEvent(QEvent* event)
{
    QAbstractButton::leaveEvent(event);
    setCursor(Qt::ArrowCursor);
}
