#include "IconCellDelegate.h"

#include "ImageCache.h"

#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace toolkit {

IconCellDelegate::IconCellDelegate(double side, QObject* parent) : QStyledItemDelegate(parent), side_(side) {}

QRectF IconCellDelegate::iconRect(const QRect& cell) const
{
    // On whole points: an icon between two pixels would be drawn blurred.
    return QRectF(cell.x() + std::floor((cell.width() - side_) / 2.0),
                  cell.y() + std::floor((cell.height() - bottomInset_ - side_) / 2.0), side_, side_);
}

QRectF IconCellDelegate::hitRect(const QRect& cell) const
{
    if (hitMargin_ < 0)
        return QRectF(cell);
    return iconRect(cell).adjusted(-hitMargin_, -hitMargin_, hitMargin_, hitMargin_);
}

void IconCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (!imageNameFor)
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    const QString name = imageNameFor(index.row());
    if (asIcon_)
        ImageCache::iconNamed(name).paint(painter, iconRect(option.rect).toRect(), Qt::AlignCenter);
    else
        imageNamed(name).draw(*painter, iconRect(option.rect));
    painter->restore();
}

bool IconCellDelegate::editorEvent(QEvent* event, QAbstractItemModel*, const QStyleOptionViewItem& option,
                                   const QModelIndex& index)
{
    if (event->type() != QEvent::MouseButtonRelease)
        return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton || !hitRect(option.rect).contains(mouse->position()))
        return false;
    if (onClick)
        onClick(index.row());
    return true;
}

} // namespace toolkit
