#pragma once
// The icon column of a list screen (the File Eraser's magnifier, the
// uninstaller's trash can): one image per row, `side` × `side`, centred in
// the cell above a strip of `bottomInset` points, and a left click released
// on it reporting the row. Main thread only.

#include <QStyledItemDelegate>
#include <functional>

namespace toolkit {

class IconCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    IconCellDelegate(double side, QObject* parent = nullptr);

    // The image a row shows (by name, as ImageCache knows it).
    std::function<QString(int row)> imageNameFor;
    std::function<void(int row)> onClick;

    // Points below the icon not counted when it is centred.
    void setBottomInset(double inset) { bottomInset_ = inset; }
    // Where a click counts: the icon grown by `margin` on every side, or the
    // whole cell when `margin` is negative (the default).
    void setHitMargin(double margin) { hitMargin_ = margin; }
    // Drawn from the image's icon (its pixmap for the box, centred, never
    // scaled past its own size) instead of scaled to fill the box.
    void setDrawnAsIcon(bool asIcon) { asIcon_ = asIcon; }

    QRectF iconRect(const QRect& cell) const;
    QRectF hitRect(const QRect& cell) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    // A handled click answers true.
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

private:
    double side_;
    double bottomInset_ = 0;
    double hitMargin_ = -1;
    bool asIcon_ = false;
};

} // namespace toolkit
