#include "UninstallCell.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

QRectF UninstallCell::imageFrameForCellFrame(const QRectF& frame, const QSizeF& imageSize) const
{
    if (image_.isNull())
        return {};
    return QRectF(frame.x() + 3, frame.y() + std::ceil((frame.height() - imageSize.height()) / 2), imageSize.width(),
                  imageSize.height());
}

QRectF UninstallCell::imageDrawRect(const QRectF& frame, bool flipped) const
{
    const double h = frame.height();
    const double y = flipped ? frame.y() - kImageSide + std::ceil((h + kImageSide) / 2)
                             : frame.y() - kImageSide + std::ceil((h - kImageSide) / 2);
    return QRectF(frame.x() + 3, y, kImageSide, kImageSide);
}

QRectF UninstallCell::titleRectForBounds(const QRectF& frame) const
{
    const QRectF rest = image_.isNull() ? frame : frame.adjusted(kImageColumn, 0, 0, 0);
    const double textHeight = QFontMetricsF(font_).height();
    return QRectF(rest.x() + 8, frame.y() - 0.5 + (frame.height() - textHeight) / 2, std::max(0.0, rest.width() - 8),
                  textHeight);
}

QRectF UninstallCell::editFrame(const QRectF& frame, const QSizeF& imageSize) const
{
    return frame.adjusted(std::min(frame.width(), imageSize.width() + 3), 0, 0, 0);
}

QSizeF UninstallCell::cellSize(const QSizeF& textSize, const QSizeF& imageSize) const
{
    return QSizeF(textSize.width() + 3 + (image_.isNull() ? 0 : imageSize.width()), textSize.height());
}

void UninstallCell::drawWithFrame(QPainter& painter, const QRectF& frame) const
{
    painter.save();
    if (!image_.isNull()) {
        if (background_.isValid())
            painter.fillRect(QRectF(frame.x(), frame.y(), kImageColumn, frame.height()), background_);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        image_.paint(&painter, imageDrawRect(frame).toRect(), Qt::AlignCenter);
    }
    if (!title_.isEmpty()) {
        const QRectF box = titleRectForBounds(frame);
        painter.setFont(font_);
        painter.setPen(color_);
        painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         QFontMetricsF(font_).elidedText(title_, Qt::ElideRight, box.width()));
    }
    painter.restore();
}

