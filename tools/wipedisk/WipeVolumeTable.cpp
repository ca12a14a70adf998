#include "WipeVolumeTable.h"

#include "toolkit/CheckButtonCell.h"
#include "toolkit/CustomTableView.h"
#include "toolkit/ImageAndTextCell.h"
#include "toolkit/ImageCache.h"
#include "toolkit/InterfaceStyle.h"

#include <QHeaderView>

WipeVolumeTableModel::WipeVolumeTableModel(const WipeVolumeList& list, QObject* parent)
    : toolkit::ListTableModel({identifier(CheckBoxColumn), identifier(NameColumn), identifier(TypeColumn),
                               identifier(TotalSizeColumn), identifier(FreeSizeColumn)},
                              [&list] { return static_cast<int>(list.allVolumeArr().size()); }, parent)
    , list_(list)
{
}

QString WipeVolumeTableModel::identifier(int column)
{
    static const char* const ids[] = {"CheckBox", "Name", "Type", "TotalSize", "FreeSize"};
    return column >= 0 && column < ColumnCount ? QLatin1String(ids[column]) : QString();
}

QVariant WipeVolumeTableModel::toolTipOf(int row, int column) const
{
    if (column == NameColumn) {
        const VolumeObjPtr v = list_.allVolumeArr().value(row);
        if (v)
            return v->volumeMountPoint().toHtmlEscaped();
    }
    return {};
}

QString WipeVolumeTableModel::titleOf(int column) const
{
    switch (column) {
    case NameColumn:
        return QStringLiteral("名称");
    case TypeColumn:
        return QStringLiteral("格式");
    case TotalSizeColumn:
        return QStringLiteral("可用 / 总容量");
    case FreeSizeColumn:
        return QStringLiteral("可用空间");
    default:
        return QString();
    }
}

void installWipeVolumeCells(CustomTableView* table, WipeVolumeTableModel* model, const WipeVolumeList& list,
                            std::function<void(int row)> radioClicked)
{
    table->setModel(model);
    table->_setupHeaderCell();
    table->verticalHeader()->setDefaultSectionSize(CustomTableView::kCardHeight + 2);
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    const int widths[] = {56, 250, 120, 180, 100};
    for (int c = 0; c < WipeVolumeTableModel::ColumnCount; ++c)
        table->setColumnWidth(c, widths[c]);

    const WipeVolumeList* volumes = &list;
    auto* radio = new CheckButtonCellItemDelegate(table);
    radio->setWillDisplay([volumes, radioClicked](CheckButtonCell& cell, const QModelIndex& index) {
        const VolumeObjPtr v = volumes->allVolumeArr().value(index.row());
        if (!v)
            return;
        cell.setTag(index.row());
        cell.setImage(toolkit::ImageCache::iconNamed(wipescan::radioImageFor(*v, volumes->selectVolumeObj())));
        cell.setAction([radioClicked](CheckButtonCell& c) { radioClicked(c.tag()); });
    });
    table->setItemDelegateForColumn(WipeVolumeTableModel::CheckBoxColumn, radio);

    const auto textColumn = [table, volumes](int column) {
        auto* cell = new ImageAndTextCellItemDelegate(table);
        // The free-size column keeps the cell's own colour: the list's dimmed white.
        cell->prototype().setColor(toolkit::colorOf(255, 255, 255, 0.6));
        cell->setWillDisplay([volumes, column](ImageAndTextCell& c, const QModelIndex& index) {
            const VolumeObjPtr v = volumes->allVolumeArr().value(index.row());
            if (!v)
                return;
            switch (column) {
            case WipeVolumeTableModel::NameColumn:
                c.setImage(toolkit::ImageCache::iconNamed(wipescan::volumeImageFor(*v)));
                c.setTitle(v->volumeName(), 14, 210);
                c.setColor(toolkit::colorOf(255, 255, 255, 1.0));
                break;
            case WipeVolumeTableModel::TypeColumn:
                c.setTitle(v->volumeType(), 12, 150);
                c.setColor(toolkit::colorOf(255, 255, 255, 0.6));
                break;
            case WipeVolumeTableModel::TotalSizeColumn:
                c.setOnlyEdit(true);
                c.setTitle(wipescan::sizeTextFor(*v), 12, 151);
                c.setColor(toolkit::colorOf(255, 255, 255, 1.0));
                break;
            default:
                c.setTitle(v->volumeFreeSize(), 12, 110);
                break;
            }
        });
        table->setItemDelegateForColumn(column, cell);
    };
    for (int c = WipeVolumeTableModel::NameColumn; c < WipeVolumeTableModel::ColumnCount; ++c)
        textColumn(c);
}
