#pragma once
// The list cell for an icon and a one-line title. Screens configure one
// cell per row right before it is drawn (their will-display hook), the way
// the item delegate below does it.

#include <QColor>
#include <QIcon>
#include <QRectF>
#include <QString>
#include <QStyledItemDelegate>
#include <functional>

class QPainter;

namespace toolkit {

// Length of the bold part of a split-mode title: the characters before the
// first "/", less the one just before it. 0 when the title has no "/" or
// nothing would be left; never more than the title holds.
int splitBoldLength(const QString& title);

} // namespace toolkit

class ImageAndTextCell {
public:
    // The size the cell draws its image at.
    static constexpr double kImageSide = 24;

    ImageAndTextCell() = default;

    // `size` is accepted for the callers' sake: titles are drawn at 12 points.
    void setTitle(const QString& text, float size, float width);
    QString title() const { return title_; } // null: no title
    float subWidth() const { return subWidth_; }

    // An invalid colour means none was set: the title is drawn with the
    // default font in black.
    void setColor(const QColor& color) { color_ = color; }
    QColor color() const { return color_; }

    // Split mode: the part before the "/" in bold, and no image.
    void setOnlyEdit(bool onlyEdit) { isOnlyEdit_ = onlyEdit; }
    bool isOnlyEdit() const { return isOnlyEdit_; }

    void setImage(const QIcon& image) { image_ = image; }
    QIcon image() const { return image_; }
    bool hasImage() const { return !image_.isNull(); }

    // Background fill of the image strip, when the cell draws one.
    void setBackgroundColor(const QColor& color) { background_ = color; }

    QRectF imageFrameForCellFrame(const QRectF& cellFrame) const;
    // The frame left for editing once the image strip is cut off.
    QRectF editFrameForCellFrame(const QRectF& cellFrame) const;
    QSizeF cellSize(const QSizeF& standard) const;

    // Draws into `frame` (y down, as every Qt view is).
    void drawWithFrame(QPainter& painter, const QRectF& frame) const;

    // Where the title goes for `frame`.
    QRectF titleRectForCellFrame(const QRectF& frame) const;

private:
    void drawImage(QPainter& painter, const QRectF& frame) const;
    void drawSplitTitle(QPainter& painter, const QRectF& rect) const;

    QIcon image_;
    QString title_;
    QColor color_;
    QColor background_;
    float subWidth_ = 0;
    bool isOnlyEdit_ = false;
};

// Draws an ImageAndTextCell in every row of a column, configured per row by
// `willDisplay`, the screen's will-display hook.
class ImageAndTextCellItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using WillDisplay = std::function<void(ImageAndTextCell& cell, const QModelIndex& index)>;

    explicit ImageAndTextCellItemDelegate(QObject* parent = nullptr) : QStyledItemDelegate(parent) {}

    void setWillDisplay(WillDisplay hook) { willDisplay_ = std::move(hook); }
    // The cell every row starts from.
    ImageAndTextCell& prototype() { return prototype_; }

    // The cell as it is drawn for `index`.
    ImageAndTextCell preparedCell(const QModelIndex& index) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    ImageAndTextCell prototype_;
    WillDisplay willDisplay_;
};
