#include "CustomHeaderCell.h"

#include "CustomTableView.h"
#include "InterfaceStyle.h"

#include <QAbstractItemModel>
#include <QPainter>
#include <algorithm>

CustomHeaderCell::CustomHeaderCell(const QString& title)
    : title_(title), font_(toolkit::lightFont(12)), color_(toolkit::colorOf(194, 200, 230, 1.0f))
{
}

void CustomHeaderCell::setSortAscending(bool ascending, qint64 priority)
{
    ascending_ = ascending;
    priority_ = priority;
}

void CustomHeaderCell::drawBackground(QPainter& painter, const QRectF& frame)
{
    const double x = frame.x(), y = frame.y(), w = frame.width(), h = frame.height();
    painter.save();
    painter.fillRect(frame, QColor(61, 73, 110));
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(QColor(58, 66, 95), 1));
    // The bottom rule on the last row of the band, the top rule one row down.
    painter.drawLine(QPointF(x, y + h - 1), QPointF(x + w, y + h - 1));
    painter.drawLine(QPointF(x, y + 1), QPointF(x + w, y + 1));
    painter.restore();
}

QVector<QPointF> CustomHeaderCell::sortIndicator(const QRectF& frame) const
{
    const double x0 = frame.x() + frame.width() - 12;
    const double y = frame.y(), h = frame.height();
    if (ascending_)
        return {{x0, y + h - 10}, {x0 + 8, y + h - 10}, {x0 + 4, y + h - 17}};
    return {{x0, y + 10}, {x0 + 8, y + 10}, {x0 + 4, y + 17}};
}

void CustomHeaderCell::drawWithFrame(QPainter& painter, const QRectF& frame, double titleMinX) const
{
    drawBackground(painter, frame);
    painter.save();
    QRectF titleRect = CustomTableView::startingNoLeftOf(frame.adjusted(0, 5, 0, 0), titleMinX);
    if (priority_ == 0)
        titleRect.setWidth(std::max(0.0, titleRect.width() - 8));
    painter.setFont(font_);
    painter.setPen(color_);
    painter.drawText(titleRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, title_);
    if (priority_ == 0) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        painter.drawPolygon(sortIndicator(frame));
    }
    painter.restore();
}

CustomHeaderView::CustomHeaderView(int height, QWidget* parent) : QHeaderView(Qt::Horizontal, parent)
{
    setFixedHeight(height);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignTop);
    setHighlightSections(false);
    setSectionsClickable(true);
}

void CustomHeaderView::setupHeaderCells()
{
    QVector<CustomHeaderCell> cells;
    const int count = model() ? model()->columnCount(rootIndex()) : 0;
    for (int i = 0; i < count; ++i)
        cells.push_back(CustomHeaderCell(model()->headerData(i, Qt::Horizontal, Qt::DisplayRole).toString()));
    cells_ = std::move(cells);
    viewport()->update();
}

CustomHeaderCell* CustomHeaderView::headerCell(int logicalIndex)
{
    if (logicalIndex < 0 || logicalIndex >= cells_.size())
        return nullptr;
    return &cells_[logicalIndex];
}

void CustomHeaderView::paintEvent(QPaintEvent* event)
{
    QHeaderView::paintEvent(event);
    // The band runs the whole width, also past the last column (where the
    // style would draw its own empty header).
    const int end = length() - offset();
    if (end < viewport()->width()) {
        QPainter painter(viewport());
        CustomHeaderCell::drawBackground(painter, QRectF(end, 0, viewport()->width() - end, viewport()->height()));
    }
}

void CustomHeaderView::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    if (logicalIndex >= 0 && logicalIndex < cells_.size()) {
        cells_[logicalIndex].drawWithFrame(*painter, QRectF(rect), titleMinX());
        return;
    }
    // A column added after the cells were made: its own title, same look.
    CustomHeaderCell(model() ? model()->headerData(logicalIndex, Qt::Horizontal).toString() : QString())
        .drawWithFrame(*painter, QRectF(rect), titleMinX());
}

double CustomHeaderView::titleMinX() const
{
    // Over a list of cards the titles begin where the rows' content does.
    return qobject_cast<const CustomTableView*>(parentWidget()) ? CustomTableView::kContentMinX : 0.0;
}
