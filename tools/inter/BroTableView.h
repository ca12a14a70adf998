#pragma once
// The browser cleaner's list: rounded row backgrounds, its own highlighted
// row (`rowNum`, −1 for none), columns of tick boxes and icon-and-title
// cells that the screen fills row by row. It does not scroll by itself; the
// screen puts it in a scroll area and it takes the height of its rows.
// Main thread only.

#include "BrowerButtonCell.h"
#include "BrowerImageAndTextCell.h"

#include <QList>
#include <QString>
#include <QWidget>

class BroTableView;

// The screen's side of a list (its data source and delegate in one).
class BroTableViewDataSource {
public:
    virtual ~BroTableViewDataSource() = default;
    virtual int numberOfRowsInTableView(BroTableView* tableView) = 0;
    // Fills the cell of `column` for `row`; a tick-box column gets `button`,
    // every other `text` (the other is null).
    virtual void willDisplayCell(BroTableView* tableView, const QString& column, int row, BrowerImageAndTextCell* text,
                                 BrowerButtonCell* button) = 0;
    // A click on a row outside its tick box.
    virtual bool shouldSelectRow(BroTableView* tableView, int row) { (void)tableView; (void)row; return true; }
    // A click on a row's tick box; clickedRow() tells which row.
    virtual void selectBrower(BroTableView* tableView) { (void)tableView; }
};

class BroTableView : public QWidget {
    Q_OBJECT
public:
    struct Column {
        QString identifier;   // "FSelect", "FName", ...
        int width = 0;
        bool tickBox = false;
    };

    explicit BroTableView(QWidget* parent = nullptr);

    void setColumns(const QList<Column>& columns) { columns_ = columns; }
    QList<Column> columns() const { return columns_; }
    void setRowHeight(int height) { rowHeight_ = height; }
    int rowHeight() const { return rowHeight_; }
    void setDataSource(BroTableViewDataSource* source) { dataSource_ = source; }   // not owned

    int rowNum() const { return rowNum_; }
    void setRowNum(int row);
    // The row of the last click, −1 when it fell below the rows.
    int clickedRow() const { return clickedRow_; }
    int numberOfRows() const;

    // Asks the data source again and redraws.
    void reloadData();

    QRectF rectOfRow(int row) const;
    QRectF frameOfCell(int column, int row) const;
    int rowAtPoint(const QPointF& point) const;
    // A click at `point` as the mouse makes it (tests call it too).
    void clickAt(const QPointF& point);

    // The row fill: (50, 50, 61), or white at 0.1 for the highlighted row.
    QColor fillOfRow(int row) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void drawRow(QPainter& painter, int row);

    QList<Column> columns_;
    int rowHeight_ = 40;
    int rowNum_ = -1;
    int clickedRow_ = -1;
    int rows_ = 0;
    BroTableViewDataSource* dataSource_ = nullptr;
};
