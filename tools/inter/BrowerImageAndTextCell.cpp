#include "BrowerImageAndTextCell.h"

#include "toolkit/InterfaceStyle.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

void BrowerImageAndTextCell::setTitle(const QString& title, float width, bool isSize, bool smal)
{
    title_ = title;
    subWidth_ = width;
    isSize_ = isSize;
    isSmal_ = smal;
}

void BrowerImageAndTextCell::setImage(const QIcon& image, double naturalWidth)
{
    image_ = image;
    imageWidth_ = image.isNull() ? 0 : naturalWidth;
}

QRectF BrowerImageAndTextCell::titleRectForCellFrame(const QRectF& frame) const
{
    // Beside a real icon the title starts after it; a missing or tiny image
    // leaves it near the edge.
    const double x = frame.x() + ((!hasImage() || imageWidth_ < 25) ? 10 : 48);
    const double y = frame.y() + (frame.height() == 40 ? 10 : 13);
    return QRectF(x, y, subWidth_, 18);
}

QRectF BrowerImageAndTextCell::iconRectForCellFrame(const QRectF& frame, bool flipped) const
{
    const double w = iconSize_.width(), h = iconSize_.height();
    const double y = flipped ? frame.y() - h + std::ceil((frame.height() + h) / 2)
                             : frame.y() - h + std::ceil((frame.height() - h) / 2);
    return QRectF(frame.x() + 9, y, w, h);
}

QRectF BrowerImageAndTextCell::imageFrameForCellFrame(const QRectF& frame) const
{
    if (!hasImage())
        return {};
    const double h = iconSize_.height();
    return QRectF(frame.x() + 3, frame.y() + std::ceil((frame.height() - h) / 2), imageWidth_, h);
}

QSizeF BrowerImageAndTextCell::cellSize(const QSizeF& standard) const
{
    return QSizeF(standard.width() + (hasImage() ? imageWidth_ : 0) + 3, standard.height());
}

QRectF BrowerImageAndTextCell::editFrameForCellFrame(const QRectF& frame) const
{
    const double cut = (hasImage() ? imageWidth_ : 0) + 3;
    return frame.adjusted(cut, 0, 0, 0);
}

void BrowerImageAndTextCell::drawWithFrame(QPainter& painter, const QRectF& frame) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    if (!title_.isNull()) {
        const QFont font = toolkit::lightFont(14);
        painter.setFont(font);
        painter.setPen(toolkit::whiteAlpha(isSmal_ ? 0.6f : 1.0f));
        const QRectF box = titleRectForCellFrame(frame);
        const QString shown = QFontMetricsF(font).elidedText(title_, Qt::ElideRight, box.width());
        painter.drawText(box, Qt::AlignVCenter | (isSmal_ ? Qt::AlignRight : Qt::AlignLeft) | Qt::TextSingleLine, shown);
    }
    if (hasImage()) {
        const QRectF icon = iconRectForCellFrame(frame, true);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.setOpacity(1.0);
        // Scaled to the box: a theme's small icon is drawn as large as asked.
        const QRect target = icon.toAlignedRect();
        const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(target, image_.pixmap(target.size(), ratio));
    }
    painter.restore();
}
