#pragma once
// The dark header of the lists: each column's title in the light font on a
// blue-grey band with two rule lines, and a sort triangle that shows only on
// the sort column.

#include <QColor>
#include <QFont>
#include <QHeaderView>
#include <QRectF>
#include <QString>
#include <QVector>

class QPainter;

class CustomHeaderCell {
public:
    // Made from the cell it replaces (its title).
    explicit CustomHeaderCell(const QString& title = QString());
    static CustomHeaderCell initWithCell(const CustomHeaderCell& cell) { return CustomHeaderCell(cell.title()); }

    QString title() const { return title_; }
    QFont font() const { return font_; }
    QColor textColor() const { return color_; }

    // Priority 0 marks the sort column. Stored without redrawing.
    void setSortAscending(bool ascending, qint64 priority);
    bool ascending() const { return ascending_; }
    qint64 priority() const { return priority_; }

    // The title begins at `titleMinX` at the least (the background fills the
    // whole frame).
    void drawWithFrame(QPainter& painter, const QRectF& frame, double titleMinX = 0) const;
    // A highlighted header looks like a normal one.
    void highlight(bool on, QPainter& painter, const QRectF& frame) const { Q_UNUSED(on); drawWithFrame(painter, frame); }

    // The band and the rule lines alone (also used for the space past the
    // last column).
    static void drawBackground(QPainter& painter, const QRectF& frame);

    // Corner points of the sort triangle for `frame`: base left, base right, apex.
    QVector<QPointF> sortIndicator(const QRectF& frame) const;

private:
    QString title_;
    QFont font_;
    QColor color_;
    bool ascending_ = true;
    qint64 priority_ = 1;
};

// A header view that draws every section with its CustomHeaderCell.
class CustomHeaderView : public QHeaderView {
    Q_OBJECT
public:
    CustomHeaderView(int height, QWidget* parent);

    // One new cell per column, made from the column's current title.
    void setupHeaderCells();
    CustomHeaderCell* headerCell(int logicalIndex);
    int cellCount() const { return static_cast<int>(cells_.size()); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    double titleMinX() const;

private:
    QVector<CustomHeaderCell> cells_;
};
