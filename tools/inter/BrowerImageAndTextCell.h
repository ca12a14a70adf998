#pragma once
// The icon-and-title cell of the browser cleaner's name and size columns.
// The screen fills one cell per row right before it is drawn; the cell only
// draws. Geometry is in the list's own coordinates, which run downwards
// (the list is a flipped view). Main thread only.

#include <QIcon>
#include <QRectF>
#include <QSizeF>
#include <QString>

class QPainter;

class BrowerImageAndTextCell {
public:
    // The title, the width of its box, whether it is a size (not read by the
    // drawing) and the size style (dimmer, right-aligned).
    void setTitle(const QString& title, float width, bool isSize, bool smal);
    // The size the icon is drawn at.
    void setIconSize(double width, double height) { iconSize_ = QSizeF(width, height); }
    // The icon and its own width (which decides where the title starts).
    void setImage(const QIcon& image, double naturalWidth);
    QIcon image() const { return image_; }
    QString title() const { return title_; }
    float subWidth() const { return subWidth_; }
    bool isSize() const { return isSize_; }
    bool isSmal() const { return isSmal_; }
    QSizeF iconSize() const { return iconSize_; }
    bool hasImage() const { return !image_.isNull(); }

    // Where the title and the icon are drawn in a cell `frame`.
    QRectF titleRectForCellFrame(const QRectF& frame) const;
    QRectF iconRectForCellFrame(const QRectF& frame, bool flipped = true) const;
    // The image's box at its own size, centred (the empty rectangle without one).
    QRectF imageFrameForCellFrame(const QRectF& frame) const;
    // The standard cell size widened by the image strip.
    QSizeF cellSize(const QSizeF& standard) const;
    // The frame left for editing once the image strip is cut off.
    QRectF editFrameForCellFrame(const QRectF& frame) const;

    void drawWithFrame(QPainter& painter, const QRectF& frame) const;

private:
    QIcon image_;
    double imageWidth_ = 0;
    QString title_;
    float subWidth_ = 0;
    bool isSize_ = false;
    bool isSmal_ = false;
    QSizeF iconSize_{16, 16};
};
