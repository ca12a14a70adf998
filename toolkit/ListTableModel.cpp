#include "ListTableModel.h"

namespace toolkit {

ListTableModel::ListTableModel(QStringList identifiers, std::function<int()> rows, QObject* parent)
    : QAbstractTableModel(parent), identifiers_(std::move(identifiers)), rows_(std::move(rows))
{
}

int ListTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !rows_ ? 0 : rows_();
}

int ListTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(identifiers_.size());
}

QVariant ListTableModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::ToolTipRole || !index.isValid())
        return {};
    return toolTipOf(index.row(), index.column());
}

QVariant ListTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return titleOf(section);
}

QString ListTableModel::titleOf(int) const
{
    return QString();
}

QVariant ListTableModel::toolTipOf(int, int) const
{
    return {};
}

void ListTableModel::reloadData()
{
    beginResetModel();
    endResetModel();
}

void ListTableModel::reloadCell(int row, int column)
{
    if (row < 0 || row >= rowCount())
        return;
    const QModelIndex cell = index(row, column);
    emit dataChanged(cell, cell);
}

} // namespace toolkit
