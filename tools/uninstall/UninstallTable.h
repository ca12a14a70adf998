#pragma once
// The uninstaller's table: the model over the rows shown (five columns by
// identifier, no object values; the cells draw themselves) and the trash
// icon cell of the "uninstall" column.

#include "UninstallList.h"

#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <functional>

class UninstallTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum ColumnIndex { CheckBoxColumn, AppNameColumn, VersionColumn, SizeColumn, UninstallColumn, ColumnCount };

    explicit UninstallTableModel(const UninstallList& list, QObject* parent = nullptr);

    // "CheckBox", "appname", "version", "Size", "uninstall".
    static QString identifier(int column);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The "appname" column's title.
    void setAppNameTitle(const QString& title);
    QString appNameTitle() const { return appNameTitle_; }

    // The rows changed: everything is shown afresh.
    void reloadData();
    // One cell changed (a measured size).
    void reloadCell(int row, int column);

private:
    const UninstallList& list_;
    QString appNameTitle_;
};

// The trash icon of a row: "ic_trash_hover" on the row `hoverRow` answers,
// else "ic_trash"; a click released on it reports the row.
class TrashCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    std::function<int()> hoverRow;
    std::function<void(int row)> onClick;

    static QRect iconRect(const QRect& cell);
    QString imageNameFor(int row) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
};
