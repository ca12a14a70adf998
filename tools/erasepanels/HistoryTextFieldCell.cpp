#include "HistoryTextFieldCell.h"

#include "EUCustomOutlineView.h"

#include "toolkit/ImageCache.h"
#include "toolkit/InterfaceStyle.h"

#include <QMouseEvent>
#include <QPainter>
#include <cmath>

QRectF HistoryTextFieldCell::titleRect(const QRectF& cell, double width)
{
    return QRectF(cell.x() + 8, cell.y() + 11 + (cell.height() - EUCustomOutlineView::kCardHeight) / 2.0, width, 17);
}

void HistoryTextFieldCell::drawTitle(QPainter& painter, const QRectF& box, const QString& title)
{
    if (title.isEmpty())
        return;
    painter.save();
    const QFont font = toolkit::lightFont(12);
    painter.setFont(font);
    painter.setPen(toolkit::whiteAlpha(1.0f));
    const QString shown = QFontMetrics(font).elidedText(title, Qt::ElideRight, static_cast<int>(box.width()));
    // drawText with a plain string never reads markup.
    painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    painter.restore();
}

void HistoryTextFieldCell::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    drawTitle(*painter, titleRect(option.rect, std::min(220.0, option.rect.width() - 8.0)),
              index.data(historyroles::Title).toString());
}

QSize HistoryTextFieldCell::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const
{
    return QSize(220, EUCustomOutlineView::kRowHeight);
}

QRectF HistoryDeleteTextFieldCell::folderImageFrame(const QRectF& cell)
{
    const double top = cell.y() + (cell.height() - EUCustomOutlineView::kCardHeight) / 2.0;
    return QRectF(cell.x(), top + 12, 16, 16);
}

QRectF HistoryDeleteTextFieldCell::deleteImageFrame(const QRectF& cell)
{
    const double top = cell.y() + (cell.height() - EUCustomOutlineView::kCardHeight) / 2.0;
    return QRectF(cell.x() + 19 + 10, top + 12, 16, 16);
}

QRectF HistoryDeleteTextFieldCell::hitRect(const QRectF& icon)
{
    return QRectF(std::ceil(icon.x()), std::ceil(icon.y()), 30, 30);
}

bool HistoryDeleteTextFieldCell::hitTestForEvent(const QPointF& point, const QRectF& cell, const QModelIndex& index)
{
    if (!index.data(historyroles::IsRun).toBool())
        return false;
    const QString key = index.data(historyroles::RunKey).toString();
    // The icons act only where they are shown: on the selected run's row.
    if (key.isEmpty() || key != shownKey_)
        return false;
    if (lastClick_.isValid() && lastClick_.elapsed() < kClickPauseMs)
        return false;
    const bool onExport = hitRect(folderImageFrame(cell)).contains(point);
    const bool onDelete = !onExport && hitRect(deleteImageFrame(cell)).contains(point);
    if (!onExport && !onDelete)
        return false;
    lastClick_.start();
    if (delegate_) {
        if (onExport)
            delegate_->clickExportWithDate(key);
        else
            delegate_->clickDeleteWithDate(key);
    }
    return true;
}

void HistoryDeleteTextFieldCell::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                       const QModelIndex& index) const
{
    const QString title = index.data(historyroles::Title).toString();
    if (!title.isEmpty()) {
        HistoryTextFieldCell::drawTitle(*painter, HistoryTextFieldCell::titleRect(option.rect, option.rect.width() - 8),
                                        title);
        return;
    }
    if (!index.data(historyroles::IsRun).toBool() || index.data(historyroles::RunKey).toString() != shownKey_)
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    toolkit::imageNamed(QStringLiteral("ic_export")).draw(*painter, folderImageFrame(option.rect));
    toolkit::imageNamed(QStringLiteral("ic_trash")).draw(*painter, deleteImageFrame(option.rect));
    painter->restore();
}

QSize HistoryDeleteTextFieldCell::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const
{
    return QSize(100, EUCustomOutlineView::kRowHeight);
}

bool HistoryDeleteTextFieldCell::editorEvent(QEvent* event, QAbstractItemModel*, const QStyleOptionViewItem& option,
                                             const QModelIndex& index)
{
    if (event->type() != QEvent::MouseButtonPress)
        return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton)
        return false;
    return hitTestForEvent(mouse->position(), option.rect, index);
}
