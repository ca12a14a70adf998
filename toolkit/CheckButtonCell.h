#pragma once
// The tick-box cell of the lists: a 16 x 16 image and a fixed 20 x 20 hit
// box. A click in the box is reported to the delegate; one latch shared by
// every tick cell of the process lets at most one report through per 0.2 s,
// so the several hit tests of one click report it once.

#include <QIcon>
#include <QRectF>
#include <QStyledItemDelegate>
#include <functional>

class CheckButtonCell;
class QPainter;

class CheckButtonCellDelegate {
public:
    virtual ~CheckButtonCellDelegate() = default;
    virtual void clickButtonAction(CheckButtonCell& cell) { Q_UNUSED(cell); }
};

class CheckButtonCell {
public:
    static constexpr int kLatchMs = 200;

    void setImage(const QIcon& image) { image_ = image; }
    QIcon image() const { return image_; }

    // Not owned.
    CheckButtonCellDelegate* delegate() const { return delegate_; }
    void setDelegate(CheckButtonCellDelegate* delegate) { delegate_ = delegate; }

    // The row (or anything the screen likes) this cell stands for now.
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }

    // The standard button action: a click released inside the cell.
    using Action = std::function<void(CheckButtonCell&)>;
    void setAction(Action action) { action_ = std::move(action); }
    const Action& action() const { return action_; }

    // The image at x 23 of the list (not of the cell), centred in the row.
    void drawWithFrame(QPainter& painter, const QRectF& frame) const;

    // The hit box for a cell frame, in the list's coordinates.
    static QRectF hitBoxForCellFrame(const QRectF& frame);

    // A click at `point` (list coordinates) in the cell at `frame`: reports it
    // to the delegate when it falls in the box and the latch is open, then
    // closes the latch for 0.2 s. Returns whether it was reported.
    bool hitTestForEvent(const QPointF& point, const QRectF& frame);

    // Opens the shared latch again.
    static void changeVlaue();
    static int clickLatch();

private:
    QIcon image_;
    CheckButtonCellDelegate* delegate_ = nullptr;
    int tag_ = 0;
    Action action_;
};

// Draws a CheckButtonCell in every row of a column and passes clicks to it.
// `willDisplay` configures the cell for a row, for drawing and for clicks.
class CheckButtonCellItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using WillDisplay = std::function<void(CheckButtonCell& cell, const QModelIndex& index)>;

    explicit CheckButtonCellItemDelegate(QObject* parent = nullptr) : QStyledItemDelegate(parent) {}

    void setWillDisplay(WillDisplay hook) { willDisplay_ = std::move(hook); }
    CheckButtonCell& prototype() { return prototype_; }
    CheckButtonCell preparedCell(const QModelIndex& index) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

private:
    CheckButtonCell prototype_;
    WillDisplay willDisplay_;
    QPersistentModelIndex pressed_;
};
