#include "ImageTextCell.h"

#include "toolkit/InterfaceStyle.h"

#include <QFontMetricsF>
#include <QPainter>

QRectF ImageTextCell::primaryTextRect(const QRectF& frame) const
{
    const double x = frame.x() + frame.height() - 2;
    return QRectF(x, frame.y() + (secondary_.isEmpty() ? 14 : 5), 260, 20);
}

QRectF ImageTextCell::secondaryTextRect(const QRectF& frame) const
{
    return QRectF(frame.x() + frame.height() - 2, frame.y() + frame.height() / 2 - 3, 200, 20);
}

QRectF ImageTextCell::iconRect(const QRectF& frame, bool flipped) const
{
    // Measured from the frame's bottom edge: 9 below the icon.
    if (flipped)
        return QRectF(frame.x() + 5, frame.bottom() - 9 - kIconSide, kIconSide, kIconSide);
    return QRectF(frame.x() + 5, frame.y() + 9, kIconSide, kIconSide);
}

namespace {

void drawLine(QPainter& painter, const QRectF& box, const QString& text, const QFont& font, const QColor& color)
{
    painter.setFont(font);
    painter.setPen(color);
    const QString shown = QFontMetricsF(font).elidedText(text, Qt::ElideRight, box.width());
    painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
}

} // namespace

void ImageTextCell::drawWithFrame(QPainter& painter, const QRectF& frame) const
{
    painter.save();
    if (!primary_.isEmpty())
        drawLine(painter, primaryTextRect(frame), primary_, toolkit::regularFont(14), toolkit::colorOf(249, 249, 250, 1.0f));
    if (!secondary_.isEmpty())
        drawLine(painter, secondaryTextRect(frame), secondary_, toolkit::lightFont(12), toolkit::whiteAlpha(0.6f));
    if (!icon_.isNull()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        icon_.paint(&painter, iconRect(frame).toRect(), Qt::AlignCenter);
    }
    painter.restore();
}

