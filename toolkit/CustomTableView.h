#pragma once
// The dark list whose rows are rounded cards: one card per row, the row
// `rowNum` lighter, the dark header, and a right click that goes to the
// list's delegate alone (no selection, no standard menu).

#include <QTableView>

class CustomHeaderView;
class QMouseEvent;

class CustomTableViewDelegate {
public:
    virtual ~CustomTableViewDelegate() = default;
    virtual void listRightMouseDown(QMouseEvent* event) { Q_UNUSED(event); }
};

class CustomTableView : public QTableView {
    Q_OBJECT
public:
    // Card geometry: fixed, whatever the columns and the row height.
    static constexpr int kCardX = 20;
    static constexpr int kCardWidth = 690;
    static constexpr int kCardHeight = 48;
    static constexpr int kCardRadius = 8;
    static constexpr int kHeaderHeight = 25;
    // Where a row's content may begin: inside the card, never left of it.
    static constexpr int kContentMinX = kCardX + 12;

    // A cell's frame as its content is drawn: a column that starts left of
    // the card (a list whose first column holds text) begins at the card's
    // inner edge instead. The header's titles follow the same rule.
    static QRectF insideCard(const QRectF& cellFrame);
    // `frame` with its left edge moved right to `minX` when it lies left of
    // it, never past its right edge.
    static QRectF startingNoLeftOf(const QRectF& frame, double minX);

    explicit CustomTableView(QWidget* parent = nullptr);

    // New header cells from the current column titles (call again after
    // rebuilding the columns).
    void _setupHeaderCell();
    CustomHeaderView* customHeader() const { return header_; }

    int rowNum() const { return rowNum_; }
    // Stores the highlighted row; the caller redraws.
    void setRowNum(int row) { rowNum_ = row; }
    // Stores the highlighted row and redraws.
    void setSelectNum(int row);

    // Not owned.
    CustomTableViewDelegate* listDelegate() const { return listDelegate_; }
    void setListDelegate(CustomTableViewDelegate* delegate) { listDelegate_ = delegate; }

    void rightMouseDown(QMouseEvent* event);

    // The card of `row` in viewport coordinates.
    QRect cardRectForRow(int row) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    CustomHeaderView* header_;
    int rowNum_ = 0;
    CustomTableViewDelegate* listDelegate_ = nullptr;
};
