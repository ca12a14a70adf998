#pragma once
// The File Eraser's table: the model over the list (six columns by
// identifier, no object values, tooltips as plain text) and the cell of the
// "search" column.

#include "FileEraserList.h"

#include "toolkit/IconCellDelegate.h"
#include "toolkit/ListTableModel.h"

class FileEraserTableModel : public toolkit::ListTableModel {
    Q_OBJECT
public:
    enum ColumnIndex { CheckBoxColumn, SearchColumn, NameColumn, PathColumn, SizeColumn, TypeColumn, ColumnCount };

    explicit FileEraserTableModel(const FileEraserList& list, QObject* parent = nullptr);

    // The identifier of a column ("CheckBox", "search", "name", "path",
    // "size", "type").
    static QString identifier(int column);
    // The column's title ("名称", "路径", "大小", "类型"; none for the others).
    static QString columnTitle(int column);

    // The tooltip of a cell as text (before it is made safe for display).
    QString toolTipText(int row, int column) const;

protected:
    QString titleOf(int column) const override { return columnTitle(column); }
    QVariant toolTipOf(int row, int column) const override;

private:
    const FileEraserList& list_;
};

// The magnifier of a row (16 × 16, centred); a click in its cell reports the row.
class SearchCellDelegate : public toolkit::IconCellDelegate {
    Q_OBJECT
public:
    explicit SearchCellDelegate(QObject* parent = nullptr);
};
