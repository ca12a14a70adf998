#include "RFOverlayScroller.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <typeinfo>

RFOverlayScroller::RFOverlayScroller(QWidget* parent) : QScrollBar(Qt::Vertical, parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
}

bool RFOverlayScroller::isCompatibleWithOverlayScrollers() const
{
    return typeid(*this) == typeid(RFOverlayScroller);
}

QRectF RFOverlayScroller::standardKnobRect() const
{
    const double track = height();
    const double span = double(maximum()) - minimum();
    if (track <= 0)
        return {};
    if (span <= 0)
        return QRectF(0, 0, width(), track);
    const double length = std::clamp(track * pageStep() / (span + pageStep()), double(kMinimumKnobLength), track);
    const double y = (track - length) * (value() - minimum()) / span;
    return QRectF(0, y, width(), length);
}

QRectF RFOverlayScroller::knobRect() const
{
    const QRectF knob = standardKnobRect();
    if (knob.isEmpty())
        return {};
    return QRectF(knob.x() + kKnobInset, knob.y(), kKnobWidth, knob.height());
}

void RFOverlayScroller::paintEvent(QPaintEvent*)
{
    // No track and no slot: only the slim knob.
    const QRectF knob = knobRect();
    if (knob.isEmpty())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(knob.adjusted(0.5, 0.5, -0.5, -0.5), kKnobRadius, kKnobRadius);
    p.fillPath(path, QColor(255, 255, 255, qRound(0.2 * 255)));
    p.strokePath(path, QPen(QColor(0, 0, 0, qRound(0.1 * 255)), 1));
}

void RFOverlayScroller::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QScrollBar::mousePressEvent(event);
        return;
    }
    const QRectF knob = standardKnobRect();
    const double y = event->position().y();
    if (knob.contains(QPointF(knob.x() + 1, y))) {
        dragging_ = true;
        dragOffset_ = y - knob.y();
        setSliderDown(true);
    } else {
        triggerAction(y < knob.y() ? SliderPageStepSub : SliderPageStepAdd);
    }
    event->accept();
}

void RFOverlayScroller::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragging_) {
        event->accept();
        return;
    }
    const QRectF knob = standardKnobRect();
    const double free = height() - knob.height();
    if (free > 0) {
        const double fraction = std::clamp((event->position().y() - dragOffset_) / free, 0.0, 1.0);
        setSliderPosition(minimum() + qRound(fraction * (maximum() - minimum())));
    }
    event->accept();
}

void RFOverlayScroller::mouseReleaseEvent(QMouseEvent* event)
{
    if (dragging_) {
        dragging_ = false;
        setSliderDown(false);
    }
    event->accept();
}

void RFOverlayScroller::enterEvent(QEnterEvent* event)
{
    QScrollBar::enterEvent(event);
    update();
}

void RFOverlayScroller::leaveEvent(QEvent* event)
{
    QScrollBar::leaveEvent(event);
    update();
}
