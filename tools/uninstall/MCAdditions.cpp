#include "MCAdditions.h"

#include <QImage>
#include <QPainter>
#include <cmath>

namespace mcadditions {

namespace {

// One pass of a box blur along rows and then columns, alpha-premultiplied.
void boxBlur(QImage& image, int radius)
{
    if (radius <= 0)
        return;
    const int w = image.width();
    const int h = image.height();
    QImage out(image.size(), image.format());
    const auto pass = [radius](const QImage& src, QImage& dst, bool rows) {
        const int outer = rows ? src.height() : src.width();
        const int inner = rows ? src.width() : src.height();
        for (int o = 0; o < outer; ++o) {
            for (int i = 0; i < inner; ++i) {
                int sum[4] = {0, 0, 0, 0};
                int count = 0;
                for (int k = std::max(0, i - radius); k <= std::min(inner - 1, i + radius); ++k) {
                    const QRgb p = rows ? src.pixel(k, o) : src.pixel(o, k);
                    sum[0] += qRed(p);
                    sum[1] += qGreen(p);
                    sum[2] += qBlue(p);
                    sum[3] += qAlpha(p);
                    ++count;
                }
                const QRgb v = qRgba(sum[0] / count, sum[1] / count, sum[2] / count, sum[3] / count);
                if (rows)
                    dst.setPixel(i, o, v);
                else
                    dst.setPixel(o, i, v);
            }
        }
    };
    (void)w;
    (void)h;
    pass(image, out, true);
    pass(out, image, false);
}

} // namespace

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
    boxBlur(image, static_cast<int>(std::lround(shadow.blurRadius / 2)));
    boxBlur(image, static_cast<int>(std::lround(shadow.blurRadius / 2)));

    painter.setClipPath(path, Qt::IntersectClip);
    painter.drawImage(area.topLeft(), image);
    painter.restore();
}

} // namespace mcadditions
