#include "SNRHUDSegmentedCell.h"

#include "MCAdditions.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace {

QColor whiteLevel(double level, double alpha = 1.0)
{
    return QColor::fromRgbF(float(level), float(level), float(level), float(alpha));
}

// A vertical gradient from `top` to `bottom` (the system's angle 270).
QLinearGradient downward(const QRectF& rect, const QColor& top, const QColor& bottom)
{
    QLinearGradient g(rect.topLeft(), rect.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    return g;
}

QPainterPath rounded(const QRectF& rect)
{
    QPainterPath path;
    path.addRoundedRect(rect, SNRHUDSegmentedCell::kRadius, SNRHUDSegmentedCell::kRadius);
    return path;
}

} // namespace

QRectF SNRHUDSegmentedCell::backgroundRect(const QRectF& frame)
{
    QRectF r = frame.adjusted(0.5, 0.5, -0.5, -0.5);
    r.setHeight(r.height() - 1);
    return r;
}

QList<QRectF> SNRHUDSegmentedCell::segmentRects(const QRectF& frame) const
{
    QList<QRectF> out;
    const int n = static_cast<int>(segments.size());
    if (n == 0)
        return out;
    const QRectF bg = backgroundRect(frame);
    const double automatic = (bg.width() - kDivider * (n - 1)) / n;
    double x = bg.x();
    for (int i = 0; i < n; ++i) {
        double w = segments.at(i).width > 0 ? segments.at(i).width : automatic;
        if (i < n - 1)
            w += kDivider;
        out << QRectF(x, bg.y(), w, bg.height());
        x += w;
    }
    return out;
}

QRectF SNRHUDSegmentedCell::labelRect(const QRectF& segment)
{
    return segment.adjusted(5, 0, -5, 0);
}

void SNRHUDSegmentedCell::drawBackground(QPainter& painter, const QRectF& rect) const
{
    const QPainterPath shape = rounded(rect);
    painter.fillPath(shape, downward(rect, whiteLevel(0.15), whiteLevel(0.22)));
    // The outline's faint shadow one point below it, then the outline.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.05f), 1));
    painter.drawPath(shape.translated(0, 1));
    painter.setPen(QPen(Qt::black, 1));
    painter.drawPath(shape);
    // The highlight line just inside the top edge.
    painter.save();
    painter.setClipPath(shape);
    painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.05f), 1));
    painter.drawPath(rounded(rect.adjusted(-0.5, 1, 0.5, -1)));
    painter.restore();
}

void SNRHUDSegmentedCell::drawSegment(QPainter& painter, int index, const QRectF& rect, bool pressed, bool last) const
{
    const Segment& segment = segments.at(index);
    const QRectF body = last ? rect : rect.adjusted(0, 0, -kDivider, 0);
    painter.save();
    if (!segment.enabled)
        painter.setOpacity(painter.opacity() * 0.5);
    if (index == selectedSegment) {
        painter.fillRect(body, downward(body, whiteLevel(0.13), whiteLevel(0.12)));
        QPainterPath path;
        path.addRect(body);
        mcadditions::fillWithInnerShadow(painter, path, {QColor(0, 0, 0, 190), QPointF(0, 1), 3});
    } else if (pressed) {
        painter.fillRect(body, downward(body, whiteLevel(0.12), whiteLevel(0.16)));
    }
    if (!last) {
        // The divider: a light line with a fainter one beside it.
        const double x = std::floor(body.right() + 1) + 0.5;
        painter.setPen(QPen(whiteLevel(0.3), 1));
        painter.drawLine(QPointF(x, body.top() + 1), QPointF(x, body.bottom() - 1));
        painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.05f), 1));
        painter.drawLine(QPointF(x + 1, body.top() + 1), QPointF(x + 1, body.bottom() - 1));
    }
    const QRectF box = labelRect(body);
    if (!segment.image.isNull()) {
        const QSize size = segment.image.actualSize(box.size().toSize());
        const QRectF at(std::round(box.center().x() - size.width() / 2.0), std::round(box.center().y() - size.height() / 2.0),
                        size.width(), size.height());
        segment.image.paint(&painter, at.toRect(), Qt::AlignCenter,
                            index == selectedSegment ? QIcon::Selected : QIcon::Normal);
    } else if (!segment.label.isEmpty()) {
        QFont font = painter.font();
        font.setPixelSize(11);
        painter.setFont(font);
        const QFontMetricsF metrics(font);
        const QString text = metrics.elidedText(segment.label, Qt::ElideRight, box.width());
        const QPointF origin(std::round(box.center().x() - metrics.horizontalAdvance(text) / 2),
                             std::round(box.center().y() + (metrics.ascent() - metrics.descent()) / 2));
        // A dark shadow under the light label.
        painter.setPen(QColor(0, 0, 0, 160));
        painter.drawText(origin + QPointF(0, 1), text);
        painter.setPen(QColor::fromRgbF(1, 1, 1, 0.7f));
        painter.drawText(origin, text);
    }
    painter.restore();
}

void SNRHUDSegmentedCell::drawWithFrame(QPainter& painter, const QRectF& frame, int pressedSegment) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (!enabled)
        painter.setOpacity(0.5);
    const QRectF bg = backgroundRect(frame);
    drawBackground(painter, bg);
    painter.setClipPath(rounded(bg), Qt::IntersectClip);
    const QList<QRectF> rects = segmentRects(frame);
    for (int i = 0; i < rects.size(); ++i)
        drawSegment(painter, i, rects.at(i), i == pressedSegment, i == rects.size() - 1);
    painter.restore();
}

SNRHUDSegmentedControl::SNRHUDSegmentedControl(QWidget* parent) : QWidget(parent) {}

void SNRHUDSegmentedControl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    cell_.drawWithFrame(painter, QRectF(rect()), pressed_);
}

int SNRHUDSegmentedControl::segmentAt(const QPointF& point) const
{
    const QList<QRectF> rects = cell_.segmentRects(QRectF(rect()));
    for (int i = 0; i < rects.size(); ++i)
        if (rects.at(i).contains(point))
            return i;
    return -1;
}

void SNRHUDSegmentedControl::mousePressEvent(QMouseEvent* event)
{
    const int at = segmentAt(event->position());
    if (!cell_.enabled || at < 0 || !cell_.segments.at(at).enabled)
        return;
    pressed_ = at;
    update();
}

void SNRHUDSegmentedControl::mouseReleaseEvent(QMouseEvent* event)
{
    const int was = pressed_;
    pressed_ = -1;
    if (was >= 0 && segmentAt(event->position()) == was) {
        cell_.selectedSegment = was;
        emit segmentSelected(was);
    }
    update();
}
