#pragma once
// The uninstaller list's name cell: the item's icon (32 × 32), its name in
// the regular font and, under it, its bundle identifier in the light font.
// Both texts are drawn as plain text, cut at the tail.

#include <QIcon>
#include <QRectF>
#include <QString>

#include "CellItemDelegate.h"

class QPainter;

class ImageTextCell {
public:
    static constexpr double kIconSide = 32;

    // The texts to draw (the item's name and bundle identifier); the icon key
    // path is stored and never drawn.
    void setPrimaryTextKeyPath(const QString& text) { primary_ = text; }
    void setSecondaryTextKeyPath(const QString& text) { secondary_ = text; }
    void setIconKeyPath(const QString& path) { iconKeyPath_ = path; }
    void setIconImage(const QIcon& icon) { icon_ = icon; }
    QString primaryTextKeyPath() const { return primary_; }
    QString secondaryTextKeyPath() const { return secondary_; }
    QString iconKeyPath() const { return iconKeyPath_; }
    QIcon iconImage() const { return icon_; }

    // Where each part goes for a cell frame; `flipped` for views whose y
    // grows downward (every Qt view), else y grows upward from the frame's
    // bottom as the system measures.
    QRectF primaryTextRect(const QRectF& frame) const;
    QRectF secondaryTextRect(const QRectF& frame) const;
    QRectF iconRect(const QRectF& frame, bool flipped = true) const;

    void drawWithFrame(QPainter& painter, const QRectF& frame) const;

private:
    QString primary_;
    QString secondary_;
    QString iconKeyPath_;
    QIcon icon_;
};

using ImageTextCellItemDelegate = CellItemDelegate<ImageTextCell>;
