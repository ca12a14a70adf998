#include "UninstallTable.h"

#include "toolkit/ImageCache.h"

UninstallTableModel::UninstallTableModel(const UninstallList& list, QObject* parent)
    : toolkit::ListTableModel({identifier(CheckBoxColumn), identifier(AppNameColumn), identifier(VersionColumn),
                               identifier(SizeColumn), identifier(UninstallColumn)},
                              [&list] { return list.rowCount(); }, parent)
    , appNameTitle_(list.headerTitle())
{
}

QString UninstallTableModel::identifier(int column)
{
    static const QStringList ids{QStringLiteral("CheckBox"), QStringLiteral("appname"), QStringLiteral("version"),
                                 QStringLiteral("Size"), QStringLiteral("uninstall")};
    return ids.value(column);
}

QString UninstallTableModel::titleOf(int column) const
{
    switch (column) {
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

TrashCellDelegate::TrashCellDelegate(QObject* parent) : toolkit::IconCellDelegate(20, parent)
{
    setBottomInset(2);
    setHitMargin(6);
    setDrawnAsIcon(true);
    imageNameFor = [this](int row) {
        return hoverRow && hoverRow() == row ? toolkit::imageName("ic_trash_hover") : toolkit::imageName("ic_trash");
    };
}
