#pragma once
// An icon before a title: the image 24 × 24 at 3 from the left edge,
// vertically centred in a 27-point column, and the title, as plain text,
// 8 further right and vertically centred.

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QRectF>
#include <QString>

#include "CellItemDelegate.h"

class QPainter;

class UninstallCell {
public:
    static constexpr double kImageSide = 24;
    static constexpr double kImageColumn = 27;

    void setImage(const QIcon& image) { image_ = image; }
    QIcon image() const { return image_; }
    void setTitle(const QString& title) { title_ = title; }
    QString title() const { return title_; }
    void setFont(const QFont& font) { font_ = font; }
    void setTextColor(const QColor& color) { color_ = color; }
    void setBackgroundColor(const QColor& color) { background_ = color; }

    // The image's own frame: 3 from the left, centred (top offset rounded up).
    QRectF imageFrameForCellFrame(const QRectF& frame, const QSizeF& imageSize) const;
    // Where the image is drawn (flipped: y grows downward).
    QRectF imageDrawRect(const QRectF& frame, bool flipped = true) const;
    // The title's box: after the image column, 8 to the right, centred.
    QRectF titleRectForBounds(const QRectF& frame) const;
    // Editing and selecting happen right of the image.
    QRectF editFrame(const QRectF& frame, const QSizeF& imageSize) const;
    QSizeF cellSize(const QSizeF& textSize, const QSizeF& imageSize) const;

    void drawWithFrame(QPainter& painter, const QRectF& frame) const;

private:
    QIcon image_;
    QString title_;
    QFont font_;
    QColor color_ = Qt::white;
    QColor background_;
};

using UninstallCellItemDelegate = CellItemDelegate<UninstallCell>;
