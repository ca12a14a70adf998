#include "BroTableView.h"

#include "toolkit/InterfaceStyle.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

BroTableView::BroTableView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void BroTableView::setRowNum(int row)
{
    rowNum_ = row;
    update();
}

int BroTableView::numberOfRows() const
{
    return rows_;
}

void BroTableView::reloadData()
{
    rows_ = dataSource_ ? qMax(0, dataSource_->numberOfRowsInTableView(this)) : 0;
    // The list is as tall as its rows, at least as tall as its scroll area.
    const int wanted = rows_ * rowHeight_;
    const int least = parentWidget() ? parentWidget()->height() : 0;
    resize(width(), qMax(wanted, least));
    update();
}

QRectF BroTableView::rectOfRow(int row) const
{
    return QRectF(0, row * rowHeight_, width(), rowHeight_);
}

QRectF BroTableView::frameOfCell(int column, int row) const
{
    double x = 0;
    for (int c = 0; c < column && c < columns_.size(); ++c)
        x += columns_[c].width;
    return QRectF(x, row * rowHeight_, column < columns_.size() ? columns_[column].width : 0, rowHeight_);
}

int BroTableView::rowAtPoint(const QPointF& point) const
{
    if (point.y() < 0 || rowHeight_ <= 0)
        return -1;
    const int row = int(point.y() / rowHeight_);
    return row < rows_ ? row : -1;
}

QColor BroTableView::fillOfRow(int row) const
{
    return row == rowNum_ ? toolkit::colorOf(255, 255, 255, 0.1f) : toolkit::colorOf(50, 50, 61, 1.0f);
}

void BroTableView::drawRow(QPainter& painter, int row)
{
    QPainterPath card;
    QRectF r = rectOfRow(row);
    r.moveLeft(0);
    card.addRoundedRect(r, 8, 8);
    painter.fillPath(card, fillOfRow(row));
    if (!dataSource_)
        return;
    for (int c = 0; c < columns_.size(); ++c) {
        const QRectF frame = frameOfCell(c, row);
        if (columns_[c].tickBox) {
            BrowerButtonCell cell;
            dataSource_->willDisplayCell(this, columns_[c].identifier, row, nullptr, &cell);
            cell.drawWithFrame(painter, frame);
        } else {
            BrowerImageAndTextCell cell;
            dataSource_->willDisplayCell(this, columns_[c].identifier, row, &cell, nullptr);
            cell.drawWithFrame(painter, frame);
        }
    }
}

void BroTableView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int row = 0; row < rows_; ++row)
        drawRow(painter, row);
}

void BroTableView::clickAt(const QPointF& point)
{
    clickedRow_ = rowAtPoint(point);
    // Below the last row nothing happens.
    if (clickedRow_ < 0 || !dataSource_)
        return;
    for (int c = 0; c < columns_.size(); ++c) {
        const QRectF frame = frameOfCell(c, clickedRow_);
        if (columns_[c].tickBox && BrowerButtonCell::hitBoxForCellFrame(frame).contains(point)) {
            dataSource_->selectBrower(this);
            return;
        }
    }
    dataSource_->shouldSelectRow(this, clickedRow_);
}

void BroTableView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        clickAt(event->position());
}
