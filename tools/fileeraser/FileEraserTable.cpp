#include "FileEraserTable.h"

#include "toolkit/ImageCache.h"

#include <QMouseEvent>
#include <QPainter>

FileEraserTableModel::FileEraserTableModel(const FileEraserList& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list)
{
}

QString FileEraserTableModel::identifier(int column)
{
    static const QStringList ids{QStringLiteral("CheckBox"), QStringLiteral("search"), QStringLiteral("name"),
                                 QStringLiteral("path"),     QStringLiteral("size"),   QStringLiteral("type")};
    return ids.value(column);
}

int FileEraserTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : list_.count();
}

int FileEraserTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString FileEraserTableModel::toolTipText(int row, int column) const
{
    const FileObjPtr item = list_.at(row);
    if (!item)
        return {};
    switch (column) {
    case NameColumn:
        return FileEraserList::toolTip(*item, FileEraserList::NameColumn);
    case PathColumn:
        return FileEraserList::toolTip(*item, FileEraserList::PathColumn);
    case SizeColumn:
        return FileEraserList::toolTip(*item, FileEraserList::SizeColumn);
    case TypeColumn:
        return FileEraserList::toolTip(*item, FileEraserList::TypeColumn);
    default:
        return {};
    }
}

QVariant FileEraserTableModel::data(const QModelIndex& index, int role) const
{
    // The cells draw themselves; only the tooltips come from here, escaped
    // so that a name with markup in it shows as it is.
    if (role != Qt::ToolTipRole || !index.isValid())
        return {};
    const QString text = toolTipText(index.row(), index.column());
    if (text.isEmpty())
        return {};
    return QStringLiteral("<p style=\"white-space:pre\">%1</p>").arg(text.toHtmlEscaped());
}

QVariant FileEraserTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return columnTitle(section);
}

QString FileEraserTableModel::columnTitle(int section)
{
    switch (section) {
    case NameColumn:
        return QStringLiteral("名称");
    case PathColumn:
        return QStringLiteral("路径");
    case SizeColumn:
        return QStringLiteral("大小");
    case TypeColumn:
        return QStringLiteral("类型");
    default:
        return QString();
    }
}

void FileEraserTableModel::reloadData()
{
    beginResetModel();
    endResetModel();
}

void SearchCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex&) const
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRectF icon(option.rect.x() + (option.rect.width() - 16) / 2.0, option.rect.y() + (option.rect.height() - 16) / 2.0,
                      16, 16);
    toolkit::imageNamed(QStringLiteral("ic_search")).draw(*painter, icon);
    painter->restore();
}

bool SearchCellDelegate::editorEvent(QEvent* event, QAbstractItemModel*, const QStyleOptionViewItem& option,
                                     const QModelIndex& index)
{
    if (event->type() != QEvent::MouseButtonRelease)
        return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton && option.rect.contains(mouse->position().toPoint()) && onClick)
        onClick(index.row());
    return false;
}
