#pragma once
// Draws one kind of cell in every row of a column: the screen's will-display
// hook sets a fresh cell up for the row, which then draws itself.

#include <QPainter>
#include <QStyledItemDelegate>
#include <functional>

template <class Cell>
class CellItemDelegate : public QStyledItemDelegate {
public:
    using WillDisplay = std::function<void(Cell& cell, const QModelIndex& index)>;
    using QStyledItemDelegate::QStyledItemDelegate;

    void setWillDisplay(WillDisplay hook) { willDisplay_ = std::move(hook); }

    // The cell as it is drawn for `index`.
    Cell preparedCell(const QModelIndex& index) const
    {
        Cell cell;
        if (willDisplay_)
            willDisplay_(cell, index);
        return cell;
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        preparedCell(index).drawWithFrame(*painter, QRectF(option.rect));
        painter->restore();
    }

private:
    WillDisplay willDisplay_;
};
