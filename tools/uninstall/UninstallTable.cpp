#include "UninstallTable.h"

#include "toolkit/ImageCache.h"

#include <QMouseEvent>
#include <QPainter>

UninstallTableModel::UninstallTableModel(const UninstallList& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list), appNameTitle_(list.headerTitle())
{
}

QString UninstallTableModel::identifier(int column)
{
    static const QStringList ids{QStringLiteral("CheckBox"), QStringLiteral("appname"), QStringLiteral("version"),
                                 QStringLiteral("Size"), QStringLiteral("uninstall")};
    return ids.value(column);
}

int UninstallTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : list_.rowCount();
}

int UninstallTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant UninstallTableModel::data(const QModelIndex&, int) const
{
    return {};
}

QVariant UninstallTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case AppNameColumn:
        return appNameTitle_;
    case VersionColumn:
        return QStringLiteral("版本");
    case SizeColumn:
        return QStringLiteral("大小");
    default:
        return QString();
    }
}

Qt::ItemFlags UninstallTableModel::flags(const QModelIndex& index) const
{
    // Rows may be chosen; no cell is edited.
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void UninstallTableModel::setAppNameTitle(const QString& title)
{
    appNameTitle_ = title;
    emit headerDataChanged(Qt::Horizontal, AppNameColumn, AppNameColumn);
}

void UninstallTableModel::reloadData()
{
    beginResetModel();
    endResetModel();
}

void UninstallTableModel::reloadCell(int row, int column)
{
    if (row < 0 || row >= rowCount())
        return;
    const QModelIndex cell = index(row, column);
    emit dataChanged(cell, cell);
}

QRect TrashCellDelegate::iconRect(const QRect& cell)
{
    return QRect(cell.x() + (cell.width() - 20) / 2, cell.y() + (cell.height() - 2 - 20) / 2, 20, 20);
}

QString TrashCellDelegate::imageNameFor(int row) const
{
    return hoverRow && hoverRow() == row ? toolkit::imageName("ic_trash_hover") : toolkit::imageName("ic_trash");
}

void TrashCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    toolkit::ImageCache::iconNamed(imageNameFor(index.row())).paint(painter, iconRect(option.rect), Qt::AlignCenter);
    painter->restore();
}

bool TrashCellDelegate::editorEvent(QEvent* event, QAbstractItemModel*, const QStyleOptionViewItem& option,
                                    const QModelIndex& index)
{
    if (event->type() != QEvent::MouseButtonRelease)
        return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton || !iconRect(option.rect).adjusted(-6, -6, 6, 6).contains(mouse->position().toPoint()))
        return false;
    if (onClick)
        onClick(index.row());
    return true;
}
