#include "EUCustomOutlineView.h"

#include "toolkit/InterfaceStyle.h"

#include <QPainter>
#include <QPainterPath>

EUCustomOutlineView::EUCustomOutlineView(QWidget* parent) : CustemOutlineView(parent)
{
    setIndentation(18);
    setUniformRowHeights(true);
    setRootIsDecorated(true);
    setExpandsOnDoubleClick(true);
    setMouseTracking(true);
}

void EUCustomOutlineView::setSelectCellBackgroundColorWithRow(const QModelIndex& index)
{
    selected_ = index.sibling(index.row(), 0);
    viewport()->update();
}

QRect EUCustomOutlineView::cardRect(const QModelIndex& index) const
{
    const QRect row = visualRect(index.sibling(index.row(), 0));
    return QRect(0, row.y() + (row.height() - kCardHeight) / 2, kCardWidth, kCardHeight);
}

void EUCustomOutlineView::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const bool selected = selected_.isValid() && index.sibling(index.row(), 0) == QModelIndex(selected_);
    QPainterPath card;
    const QRect row = option.rect;
    card.addRoundedRect(QRectF(0, row.y() + (row.height() - kCardHeight) / 2.0, kCardWidth, kCardHeight), 8, 8);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->fillPath(card, selected ? toolkit::colorOf(0, 0, 0, 0.1) : toolkit::colorOf(50, 50, 62, 1.0));
    painter->restore();
    CustemOutlineView::drawRow(painter, option, index);
}

void EUCustomOutlineView::drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const
{
    // Only the runs (top-level rows) have a disclosure triangle.
    if (index.parent().isValid() || !model() || !model()->hasChildren(index))
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QPointF c(rect.right() - indentation() / 2.0 + 2, rect.center().y() + 0.5);
    QPainterPath arrow;
    if (isExpanded(index)) {
        arrow.moveTo(c.x() - 4.5, c.y() - 2.5);
        arrow.lineTo(c.x() + 4.5, c.y() - 2.5);
        arrow.lineTo(c.x(), c.y() + 3.5);
    } else {
        arrow.moveTo(c.x() - 2.5, c.y() - 4.5);
        arrow.lineTo(c.x() - 2.5, c.y() + 4.5);
        arrow.lineTo(c.x() + 3.5, c.y());
    }
    arrow.closeSubpath();
    painter->fillPath(arrow, toolkit::whiteAlpha(0.8f));
    painter->restore();
}
