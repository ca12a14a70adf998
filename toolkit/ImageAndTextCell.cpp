#include "ImageAndTextCell.h"

#include "CustomTableView.h"
#include "InterfaceStyle.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace toolkit {

int splitBoldLength(const QString& title)
{
    const qsizetype slash = title.indexOf(QLatin1Char('/'));
    if (slash <= 0)
        return 0;
    return static_cast<int>(std::clamp<qsizetype>(slash - 1, 0, title.size()));
}

} // namespace toolkit

void ImageAndTextCell::setTitle(const QString& text, float, float width)
{
    title_ = text;
    subWidth_ = width;
}

QRectF ImageAndTextCell::imageFrameForCellFrame(const QRectF& cellFrame) const
{
    if (!hasImage())
        return {};
    return QRectF(cellFrame.x() + 3, cellFrame.y() + std::ceil((cellFrame.height() - kImageSide) / 2), kImageSide,
                  kImageSide);
}

QRectF ImageAndTextCell::editFrameForCellFrame(const QRectF& cellFrame) const
{
    const double strip = (hasImage() ? kImageSide : 0) + 3;
    return cellFrame.adjusted(std::min(strip, cellFrame.width()), 0, 0, 0);
}

QSizeF ImageAndTextCell::cellSize(const QSizeF& standard) const
{
    return QSizeF(standard.width() + 3 + (hasImage() ? kImageSide : 0), standard.height());
}

QRectF ImageAndTextCell::titleRectForCellFrame(const QRectF& frame) const
{
    const float x = static_cast<float>(frame.x() + (hasImage() ? 36 : 0));
    const float y = static_cast<float>(frame.y() + 14);
    return QRectF(x, y, subWidth_, 17);
}

void ImageAndTextCell::drawWithFrame(QPainter& painter, const QRectF& frame) const
{
    if (!title_.isNull()) {
        if (title_.isEmpty() || title_ == QLatin1String(" "))
            return; // a blank title hides the whole cell, image included
        const QRectF rect = titleRectForCellFrame(frame);
        if (isOnlyEdit_) {
            drawSplitTitle(painter, rect);
            return;
        }
        painter.save();
        if (color_.isValid()) {
            painter.setFont(toolkit::lightFont(12));
            painter.setPen(color_);
        } else {
            painter.setFont(QFont());
            painter.setPen(Qt::black);
        }
        const QString shown = QFontMetricsF(painter.font()).elidedText(title_, Qt::ElideRight, rect.width());
        painter.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
        painter.restore();
    }
    if (hasImage())
        drawImage(painter, frame);
}

void ImageAndTextCell::drawImage(QPainter& painter, const QRectF& frame) const
{
    const QRectF strip(frame.x(), frame.y(), 27, frame.height());
    if (background_.isValid())
        painter.fillRect(strip, background_);
    // Centred on the row's card, like the title, however tall the row is.
    const double band = std::min(frame.height(), double(CustomTableView::kCardHeight));
    const QRectF target(strip.x() + 3, strip.y() - kImageSide + std::ceil((band + kImageSide) / 2), kImageSide,
                        kImageSide);
    image_.paint(&painter, target.toRect(), Qt::AlignCenter);
}

void ImageAndTextCell::drawSplitTitle(QPainter& painter, const QRectF& rect) const
{
    const QColor color = color_.isValid() ? color_ : QColor(Qt::black);
    const int boldLength = toolkit::splitBoldLength(title_);
    const QFont light = toolkit::lightFont(12);
    const QFont bold = toolkit::boldFont(12);

    painter.save();
    painter.setPen(color);
    painter.setClipRect(rect, Qt::IntersectClip);
    double x = rect.x();
    const double right = rect.x() + rect.width();
    // The bold run, then the light run, the last visible one cut with "…".
    const auto run = [&](const QString& text, const QFont& font) {
        if (text.isEmpty() || x >= right)
            return;
        painter.setFont(font);
        const QFontMetricsF metrics(font);
        const QString shown = metrics.horizontalAdvance(text) > right - x
                                  ? metrics.elidedText(text, Qt::ElideRight, right - x)
                                  : text;
        painter.drawText(QRectF(x, rect.y(), right - x, rect.height()), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         shown);
        x += metrics.horizontalAdvance(shown);
    };
    run(title_.left(boldLength), bold);
    run(title_.mid(boldLength), light);
    painter.restore();
}

ImageAndTextCell ImageAndTextCellItemDelegate::preparedCell(const QModelIndex& index) const
{
    ImageAndTextCell cell = prototype_;
    if (willDisplay_)
        willDisplay_(cell, index);
    return cell;
}

void ImageAndTextCellItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                         const QModelIndex& index) const
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    QRectF frame(option.rect);
    if (qobject_cast<const CustomTableView*>(option.widget))
        frame = CustomTableView::insideCard(frame);
    preparedCell(index).drawWithFrame(*painter, frame);
    painter->restore();
}
