#include "HistoryTextFieldCell.h"

#include "EUCustomOutlineView.h"

#include "toolkit/ImageCache.h"
#include "toolkit/InterfaceStyle.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <cmath>

namespace {

QFont titleFont()
{
    return toolkit::lightFont(12);
}

} // namespace

HistoryTextFieldCell::HistoryTextFieldCell(QObject* parent, TitleCut cut) : QStyledItemDelegate(parent), cut_(cut) {}

QRectF HistoryTextFieldCell::titleRect(const QRectF& cell, double width)
{
    return QRectF(cell.x() + 8, cell.y() + 11 + (cell.height() - EUCustomOutlineView::kCardHeight) / 2.0, width, 17);
}

QString HistoryTextFieldCell::shownTitle(const QString& title, double width, TitleCut cut)
{
    const QFontMetrics metrics(titleFont());
    const int room = static_cast<int>(width);
    if (metrics.horizontalAdvance(title) <= room)
        return title;
    if (cut == TitleCut::KeepPassCount) {
        // "Peter Gutmann's algorithm 35 (擦除3…" would read as three passes:
        // the name gives way, the count never does.
        static const QRegularExpression passCount(QStringLiteral("\\s*\\(?擦除\\d+次\\)?$"));
        const QRegularExpressionMatch match = passCount.match(title);
        if (match.hasMatch() && match.capturedStart() > 0) {
            const QString count = match.captured();
            const int nameRoom = room - metrics.horizontalAdvance(count);
            if (nameRoom <= 0)
                return count.trimmed();
            return metrics.elidedText(title.left(match.capturedStart()), Qt::ElideRight, nameRoom) + count;
        }
    }
    return metrics.elidedText(title, Qt::ElideRight, room);
}

void HistoryTextFieldCell::drawTitle(QPainter& painter, const QRectF& box, const QString& title, TitleCut cut)
{
    if (title.isEmpty())
        return;
    painter.save();
    painter.setFont(titleFont());
    painter.setPen(toolkit::whiteAlpha(1.0f));
    // drawText with a plain string never reads markup.
    painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shownTitle(title, box.width(), cut));
    painter.restore();
}

QRectF HistoryTextFieldCell::titleBox(const QRectF& cell) const
{
    return titleRect(cell, std::min(220.0, cell.width() - 8.0));
}

QString HistoryTextFieldCell::shownTitle(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    return shownTitle(index.data(historyroles::Title).toString(), titleBox(option.rect).width(), cut_);
}

void HistoryTextFieldCell::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    drawTitle(*painter, titleBox(option.rect), index.data(historyroles::Title).toString(), cut_);
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
