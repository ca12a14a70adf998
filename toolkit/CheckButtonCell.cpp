#include "CheckButtonCell.h"

#include "CustomTableView.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <algorithm>

namespace {
int g_latch = 0;
} // namespace

void CheckButtonCell::drawWithFrame(QPainter& painter, const QRectF& frame) const
{
    if (image_.isNull())
        return;
    // Centred on the row's card, like the titles beside it, however tall the
    // row is.
    const double band = std::min(frame.height(), double(CustomTableView::kCardHeight));
    const QRectF target(23, frame.y() + (band - 16) / 2, 16, 16);
    image_.paint(&painter, target.toRect(), Qt::AlignCenter);
}

QRectF CheckButtonCell::hitBoxForCellFrame(const QRectF& frame)
{
    return QRectF(21, frame.y() + 15, 20, 20);
}

bool CheckButtonCell::hitTestForEvent(const QPointF& point, const QRectF& frame)
{
    if (!hitBoxForCellFrame(frame).contains(point) || g_latch != 0)
        return false;
    if (delegate_)
        delegate_->clickButtonAction(*this);
    ++g_latch;
    QTimer::singleShot(kLatchMs, QCoreApplication::instance(), [] { CheckButtonCell::changeVlaue(); });
    return true;
}

void CheckButtonCell::changeVlaue() { g_latch = 0; }

int CheckButtonCell::clickLatch() { return g_latch; }

CheckButtonCell CheckButtonCellItemDelegate::preparedCell(const QModelIndex& index) const
{
    CheckButtonCell cell = prototype_;
    if (willDisplay_)
        willDisplay_(cell, index);
    return cell;
}

void CheckButtonCellItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                        const QModelIndex& index) const
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    preparedCell(index).drawWithFrame(*painter, QRectF(option.rect));
    painter->restore();
}

bool CheckButtonCellItemDelegate::editorEvent(QEvent* event, QAbstractItemModel*, const QStyleOptionViewItem& option,
                                              const QModelIndex& index)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick && type != QEvent::MouseButtonRelease)
        return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton)
        return false;

    if (type == QEvent::MouseButtonRelease) {
        const bool sameCell = pressed_.isValid() && pressed_ == index && option.rect.contains(mouse->position().toPoint());
        pressed_ = QPersistentModelIndex();
        if (sameCell) {
            CheckButtonCell cell = preparedCell(index);
            if (cell.action())
                cell.action()(cell);
        }
        return false;
    }

    // The row under the click becomes the selected row first, as the screens
    // read "the selected row" when a tick is reported.
    if (auto* view = qobject_cast<QAbstractItemView*>(const_cast<QWidget*>(option.widget))) {
        if (view->selectionModel())
            view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    pressed_ = index;
    CheckButtonCell cell = preparedCell(index);
    cell.hitTestForEvent(mouse->position(), QRectF(option.rect));
    return false;
}
