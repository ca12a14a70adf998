#pragma once
// The two cells of the erase history's outline. Texts are always drawn as
// plain text.
//
// HistoryTextFieldCell: a title in white, light font, 12 points, at (8, 11)
// in a 220 × 17 box, cut at the tail; in the standard's column the name is
// cut instead, so the pass count "(擦除N次)" always shows whole.
// HistoryDeleteTextFieldCell: the result column. An item row shows its
// result like the text cell; the selected run row shows the export and
// delete icons, and a click on one of them acts on that row's run.

#include <QElapsedTimer>
#include <QRectF>
#include <QStyledItemDelegate>

// Roles of the history model.
namespace historyroles {
constexpr int Title = Qt::UserRole + 1;  // the text the cell shows
constexpr int RunKey = Qt::UserRole + 2; // the record key of the run the row belongs to
constexpr int IsRun = Qt::UserRole + 3;  // true on a run row
} // namespace historyroles

class HistoryTextFieldCell : public QStyledItemDelegate {
    Q_OBJECT
public:
    // How a title too wide for its box is shortened: at its tail, or inside
    // the standard's name before a pass-count ending ("(擦除N次)", "擦除N次"),
    // which is kept whole. A title with no such ending is cut at its tail.
    enum class TitleCut { Tail, KeepPassCount };

    explicit HistoryTextFieldCell(QObject* parent = nullptr, TitleCut cut = TitleCut::Tail);

    // Where the title is drawn in a cell.
    static QRectF titleRect(const QRectF& cell, double width = 220);
    static void drawTitle(QPainter& painter, const QRectF& box, const QString& title, TitleCut cut = TitleCut::Tail);
    // The text drawTitle shows of `title` in a box `width` wide.
    static QString shownTitle(const QString& title, double width, TitleCut cut);
    // The text this cell shows for `index` drawn in `option.rect`.
    QString shownTitle(const QStyleOptionViewItem& option, const QModelIndex& index) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    QRectF titleBox(const QRectF& cell) const;

    TitleCut cut_;
};

class HistoryDeleteTextFieldCellDelegate {
public:
    virtual ~HistoryDeleteTextFieldCellDelegate() = default;
    virtual void clickExportWithDate(const QString& key) { Q_UNUSED(key); }
    virtual void clickDeleteWithDate(const QString& key) { Q_UNUSED(key); }
};

class HistoryDeleteTextFieldCell : public QStyledItemDelegate {
    Q_OBJECT
public:
    // After a handled click, clicks are ignored this long.
    static constexpr int kClickPauseMs = 200;

    using QStyledItemDelegate::QStyledItemDelegate;

    void setDelegate(HistoryDeleteTextFieldCellDelegate* delegate) { delegate_ = delegate; }
    // Which run row shows the icons now (none when null).
    void setShownRunKey(const QString& key) { shownKey_ = key; }
    QString shownRunKey() const { return shownKey_; }

    // The icons of a cell: export at its origin plus (0, 12), delete a further
    // 19 points right plus (10, 12); 16 × 16 each.
    static QRectF folderImageFrame(const QRectF& cell);
    static QRectF deleteImageFrame(const QRectF& cell);
    // Where a click counts: 30 × 30 from each icon's origin, rounded up.
    static QRectF hitRect(const QRectF& icon);

    // A click at `point` in the cell `cell` of `index`. Answers whether it
    // was handled.
    bool hitTestForEvent(const QPointF& point, const QRectF& cell, const QModelIndex& index);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

private:
    HistoryDeleteTextFieldCellDelegate* delegate_ = nullptr;
    QString shownKey_;
    QElapsedTimer lastClick_;
};
