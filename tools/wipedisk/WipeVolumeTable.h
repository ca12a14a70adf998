#pragma once
// The disk wipe's volume table: the model over the listed volumes (five
// columns by identifier, no object values) and the cells that draw them: the
// radio button, the volume's image and name, its type and its sizes.

#include "WipeVolumeScan.h"

#include "toolkit/ListTableModel.h"

#include <functional>

class CustomTableView;

class WipeVolumeTableModel : public toolkit::ListTableModel {
    Q_OBJECT
public:
    enum ColumnIndex { CheckBoxColumn, NameColumn, TypeColumn, TotalSizeColumn, FreeSizeColumn, ColumnCount };

    explicit WipeVolumeTableModel(const WipeVolumeList& list, QObject* parent = nullptr);

    // "CheckBox", "Name", "Type", "TotalSize", "FreeSize".
    static QString identifier(int column);

protected:
    QString titleOf(int column) const override;
    // The name column's tooltip: the mount point.
    QVariant toolTipOf(int row, int column) const override;

private:
    const WipeVolumeList& list_;
};

// Puts the model and its cells on `table`; a click on a row's radio button
// reports the row.
void installWipeVolumeCells(CustomTableView* table, WipeVolumeTableModel* model, const WipeVolumeList& list,
                            std::function<void(int row)> radioClicked);
