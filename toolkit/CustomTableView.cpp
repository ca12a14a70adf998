#include "CustomTableView.h"

#include "CustemOutlineView.h"
#include "CustomHeaderCell.h"
#include "InterfaceStyle.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <QPainterPath>

namespace {

// The standard selection never shows: the highlighted row is drawn as a card.
void hideSelectionColours(QAbstractItemView* view)
{
    QPalette palette = view->palette();
    palette.setColor(QPalette::Highlight, Qt::transparent);
    palette.setColor(QPalette::Text, QColor(255, 255, 255, 217));
    palette.setColor(QPalette::HighlightedText, QColor(255, 255, 255, 217));
    palette.setColor(QPalette::Base, Qt::transparent);
    view->setPalette(palette);
    view->viewport()->setAutoFillBackground(false);
    view->setAutoFillBackground(false);
}

} // namespace

CustomTableView::CustomTableView(QWidget* parent) : QTableView(parent), header_(new CustomHeaderView(kHeaderHeight, this))
{
    setHorizontalHeader(header_);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(kCardHeight + 2);
    setShowGrid(false);
    setFrameShape(QFrame::NoFrame);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    setItemDelegate(new PlainItemDelegate(this));
    hideSelectionColours(this);
}

void CustomTableView::_setupHeaderCell()
{
    header_->setupHeaderCells();
}

void CustomTableView::setSelectNum(int row)
{
    rowNum_ = row;
    viewport()->update();
}

QRect CustomTableView::cardRectForRow(int row) const
{
    return QRect(kCardX, rowViewportPosition(row), kCardWidth, kCardHeight);
}

void CustomTableView::paintEvent(QPaintEvent* event)
{
    if (model()) {
        QPainter painter(viewport());
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        const int rows = model()->rowCount(rootIndex());
        const int first = std::max(0, rowAt(0));
        const int lastVisible = rowAt(viewport()->height() - 1);
        const int last = lastVisible < 0 ? rows - 1 : lastVisible;
        const QColor card = toolkit::colorOf(50, 50, 61, 1.0f);
        const QColor highlighted = toolkit::whiteAlpha(0.1f);
        for (int row = first; row <= last && row < rows; ++row) {
            if (isRowHidden(row))
                continue;
            QPainterPath path;
            path.addRoundedRect(QRectF(cardRectForRow(row)), kCardRadius, kCardRadius);
            painter.fillPath(path, row == rowNum_ ? highlighted : card);
        }
    }
    QTableView::paintEvent(event);
}

void CustomTableView::rightMouseDown(QMouseEvent* event)
{
    if (listDelegate_)
        listDelegate_->listRightMouseDown(event);
}

void CustomTableView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        rightMouseDown(event);
        event->accept();
        return;
    }
    QTableView::mousePressEvent(event);
}

void CustomTableView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QTableView::mouseReleaseEvent(event);
}

void CustomTableView::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept(); // the delegate has had the right click; no standard menu
}

QRectF CustomTableView::startingNoLeftOf(const QRectF& frame, double minX)
{
    QRectF moved = frame;
    if (moved.left() < minX)
        moved.setLeft(std::min(minX, moved.right()));
    return moved;
}

QRectF CustomTableView::insideCard(const QRectF& cellFrame)
{
    return startingNoLeftOf(cellFrame, kContentMinX);
}
