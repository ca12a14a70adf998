#pragma once
// The uninstaller's table: the model over the rows shown (five columns by
// identifier, no object values; the cells draw themselves) and the trash
// icon cell of the "uninstall" column.

#include "UninstallList.h"

#include "toolkit/IconCellDelegate.h"
#include "toolkit/ListTableModel.h"

#include <functional>

class UninstallTableModel : public toolkit::ListTableModel {
    Q_OBJECT
public:
    enum ColumnIndex { CheckBoxColumn, AppNameColumn, VersionColumn, SizeColumn, UninstallColumn, ColumnCount };

    explicit UninstallTableModel(const UninstallList& list, QObject* parent = nullptr);

    // "CheckBox", "appname", "version", "Size", "uninstall".
    static QString identifier(int column);

    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The "appname" column's title.
    void setAppNameTitle(const QString& title);
    QString appNameTitle() const { return appNameTitle_; }

protected:
    QString titleOf(int column) const override;

private:
    QString appNameTitle_;
};

// The trash icon of a row (20 × 20, centred above a 2-point strip):
// "ic_trash_hover" on the row `hoverRow` answers, else "ic_trash"; a click
// released on it (or within 6 points of it) reports the row.
class TrashCellDelegate : public toolkit::IconCellDelegate {
    Q_OBJECT
public:
    explicit TrashCellDelegate(QObject* parent = nullptr);
    std::function<int()> hoverRow;
};
