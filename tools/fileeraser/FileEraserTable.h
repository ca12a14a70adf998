#pragma once
// The File Eraser's table: the model over the list (six columns by
// identifier, no object values, tooltips as plain text) and the cell of the
// "search" column.

#include "FileEraserList.h"

#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <functional>

class FileEraserTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum ColumnIndex { CheckBoxColumn, SearchColumn, NameColumn, PathColumn, SizeColumn, TypeColumn, ColumnCount };

    explicit FileEraserTableModel(const FileEraserList& list, QObject* parent = nullptr);

    // The identifier of a column ("CheckBox", "search", "name", "path",
    // "size", "type").
    static QString identifier(int column);
    // The column's title ("名称", "路径", "大小", "类型"; none for the others).
    static QString columnTitle(int column);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The tooltip of a cell as text (before it is made safe for display).
    QString toolTipText(int row, int column) const;

    // The list changed: everything is shown afresh.
    void reloadData();

private:
    const FileEraserList& list_;
};

// The magnifier of a row; a click on it reports the row.
class SearchCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    std::function<void(int row)> onClick;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
};
