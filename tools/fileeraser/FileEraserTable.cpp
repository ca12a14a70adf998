#include "FileEraserTable.h"

#include "toolkit/ImageCache.h"

FileEraserTableModel::FileEraserTableModel(const FileEraserList& list, QObject* parent)
    : toolkit::ListTableModel({identifier(CheckBoxColumn), identifier(SearchColumn), identifier(NameColumn),
                               identifier(PathColumn), identifier(SizeColumn), identifier(TypeColumn)},
                              [&list] { return list.count(); }, parent)
    , list_(list)
{
}

QString FileEraserTableModel::identifier(int column)
{
    static const QStringList ids{QStringLiteral("CheckBox"), QStringLiteral("search"), QStringLiteral("name"),
                                 QStringLiteral("path"),     QStringLiteral("size"),   QStringLiteral("type")};
    return ids.value(column);
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

QVariant FileEraserTableModel::toolTipOf(int row, int column) const
{
    // Escaped, so that a name with markup in it shows as it is.
    const QString text = toolTipText(row, column);
    if (text.isEmpty())
        return {};
    return QStringLiteral("<p style=\"white-space:pre\">%1</p>").arg(text.toHtmlEscaped());
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

SearchCellDelegate::SearchCellDelegate(QObject* parent) : toolkit::IconCellDelegate(16, parent)
{
    imageNameFor = [](int) { return toolkit::imageName("ic_search"); };
}
