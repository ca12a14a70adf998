#include "CustemOutlineView.h"

#include "CustomHeaderCell.h"

void PlainItemDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    option->state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
}

CustemOutlineView::CustemOutlineView(QWidget* parent) : QTreeView(parent), header_(new CustomHeaderView(kHeaderHeight, this))
{
    setHeader(header_);
    setItemDelegate(new PlainItemDelegate(this));
    setFrameShape(QFrame::NoFrame);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAllColumnsShowFocus(false);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Highlight, Qt::transparent);
    palette.setColor(QPalette::HighlightedText, palette.color(QPalette::Text));
    palette.setColor(QPalette::Base, Qt::transparent);
    // Light text and branch marks on the dark list.
    palette.setColor(QPalette::Text, QColor(255, 255, 255, 217));
    palette.setColor(QPalette::WindowText, QColor(255, 255, 255, 217));
    palette.setColor(QPalette::HighlightedText, QColor(255, 255, 255, 217));
    setPalette(palette);
    viewport()->setAutoFillBackground(false);
    setAutoFillBackground(false);
}

void CustemOutlineView::_setupHeaderCell()
{
    header_->setupHeaderCells();
}

void CustemOutlineView::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem plain = option;
    plain.state &= ~QStyle::State_Selected;
    plain.state &= ~QStyle::State_HasFocus;
    QTreeView::drawRow(painter, plain, index);
}
