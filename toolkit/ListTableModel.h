#pragma once
// The model of the list screens (File Eraser, disk wipe, uninstaller): a
// fixed row of columns known by identifier, as many rows as the screen's
// list holds, and no object values: the cells draw themselves from the list.
// What a screen adds is its column titles and, where it has them, tooltips.
// Main thread only; the list outlives the model.

#include <QAbstractTableModel>
#include <QStringList>
#include <functional>

namespace toolkit {

class ListTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // `identifiers` name the columns in order; `rows` answers the list's length.
    ListTableModel(QStringList identifiers, std::function<int()> rows, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    // Only tooltips (toolTipOf).
    QVariant data(const QModelIndex& index, int role) const override;
    // Horizontal titles (titleOf).
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    QString identifierOf(int column) const { return identifiers_.value(column); }

    // The list changed: everything is shown afresh.
    void reloadData();
    // One cell changed.
    void reloadCell(int row, int column);

protected:
    virtual QString titleOf(int column) const;
    // The tooltip as shown (already made safe for display); none when invalid.
    virtual QVariant toolTipOf(int row, int column) const;

private:
    QStringList identifiers_;
    std::function<int()> rows_;
};

} // namespace toolkit
