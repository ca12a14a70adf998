#include "MCAdditions.h"

#include "toolkit/Backdrop.h"

#include <QImage>
#include <QPainter>
#include <cmath>

namespace mcadditions {

void fillWithInnerShadow(QPainter& painter, const QPainterPath& path, const Shadow& shadow)
{
    if (path.isEmpty() || !shadow.color.isValid())
        return;
    painter.save();
    // The path's bounds grown by the shadow's reach on each axis.
    const double dx = std::abs(shadow.offset.x()) + shadow.blurRadius;
    const double dy = std::abs(shadow.offset.y()) + shadow.blurRadius;
    const QRectF grown = path.boundingRect().adjusted(-dx, -dy, dx, dy);
    const QRect area = grown.toAlignedRect();

    // The frame around the path (grown rectangle minus the path, even-odd),
    // moved by the shadow's offset, blurred: its shadow.
    QImage image(area.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(-area.topLeft() + shadow.offset);
        QPainterPath frame;
        frame.setFillRule(Qt::OddEvenFill);
        frame.addRect(grown.adjusted(-dx, -dy, dx, dy));
        frame.addPath(path);
        p.fillPath(frame, shadow.color);
    }
    const int reach = static_cast<int>(std::lround(shadow.blurRadius / 2));
    image = toolkit::boxBlur(toolkit::boxBlur(image, reach), reach);

    painter.setClipPath(path, Qt::IntersectClip);
    painter.drawImage(area.topLeft(), image);
    painter.restore();
}

} // namespace mcadditions
