// The dark lists and their cells: row cards, the highlighted row, the
// right click, the header, the icon-and-title cell with its split mode,
// the tick cell's latch, and the outline view's drawing.
#include "WidgetTestSupport.h"

#include "TestSupport.h"
#include "toolkit/CheckButtonCell.h"
#include "toolkit/CustemOutlineView.h"
#include "toolkit/CustomHeaderCell.h"
#include "toolkit/CustomTableView.h"
#include "toolkit/ImageAndTextCell.h"
#include "toolkit/ImageCache.h"
#include "toolkit/InterfaceStyle.h"

#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QStandardItemModel>
#include <QTest>
#include <gtest/gtest.h>

using toolkit::ImageCache;

namespace {

struct FileRow {
    QString name;
    QString path;
    QString size;
    bool ticked;
};

const QList<FileRow> kRows = {
    {QStringLiteral("报告.docx"), QStringLiteral("/home/user/文档/报告.docx"), QStringLiteral("1.20 MB"), true},
    {QStringLiteral("照片"), QStringLiteral("/home/user/图片/照片"), QStringLiteral("--"), true},
    {QStringLiteral("notes.txt"), QStringLiteral("/home/user/notes.txt"), QStringLiteral("4.00 KB"), false},
    {QStringLiteral("a-very-long-file-name-that-does-not-fit.tar.gz"), QStringLiteral("/tmp/a-very-long-file-name-that-does-not-fit.tar.gz"),
     QStringLiteral("512.00 MB"), true},
};

// A file list the way the File Eraser fills it: a tick column, the "search"
// column with its magnifier, name with icon, path and size, configured per
// row in the will-display hooks.
struct FileList {
    QStandardItemModel model{static_cast<int>(kRows.size()), 5};
    CustomTableView table;
    CheckButtonCellItemDelegate tick;
    ImageAndTextCellItemDelegate search;
    ImageAndTextCellItemDelegate name;
    ImageAndTextCellItemDelegate path;
    ImageAndTextCellItemDelegate size;

    explicit FileList(CheckButtonCellDelegate* tickDelegate = nullptr)
    {
        model.setHorizontalHeaderLabels(
            {QString(), QString(), QStringLiteral("名称"), QStringLiteral("路径"), QStringLiteral("大小")});
        table.setModel(&model);
        table._setupHeaderCell();
        table.resize(730, 260);
        table.setColumnWidth(0, 45);
        table.setColumnWidth(1, 30);
        table.setColumnWidth(2, 205);
        table.setColumnWidth(3, 300);
        table.setColumnWidth(4, 120);
        table.setItemDelegateForColumn(0, &tick);
        table.setItemDelegateForColumn(1, &search);
        table.setItemDelegateForColumn(2, &name);
        table.setItemDelegateForColumn(3, &path);
        table.setItemDelegateForColumn(4, &size);
        tick.setWillDisplay([tickDelegate](CheckButtonCell& cell, const QModelIndex& index) {
            cell.setTag(index.row());
            cell.setDelegate(tickDelegate);
            cell.setImage(ImageCache::iconNamed(kRows[index.row()].ticked ? QStringLiteral("checkbox_yes")
                                                                          : QStringLiteral("checkbox_no")));
        });
        search.setWillDisplay([](ImageAndTextCell& cell, const QModelIndex&) {
            cell.setImage(ImageCache::iconNamed(QStringLiteral("ic_search")));
        });
        name.setWillDisplay([](ImageAndTextCell& cell, const QModelIndex& index) {
            cell.setImage(ImageCache::iconNamed(QStringLiteral("ic_file")));
            cell.setTitle(kRows[index.row()].name, 14, 150);
            cell.setColor(toolkit::whiteAlpha(1.0f));
        });
        path.setWillDisplay([](ImageAndTextCell& cell, const QModelIndex& index) {
            cell.setTitle(kRows[index.row()].path, 12, 287);
            cell.setColor(toolkit::whiteAlpha(0.6f));
        });
        size.setWillDisplay([](ImageAndTextCell& cell, const QModelIndex& index) {
            cell.setTitle(kRows[index.row()].size, 12, 100);
            cell.setColor(toolkit::whiteAlpha(0.6f));
        });
    }

    // The viewport as drawn, over the window body.
    QImage viewportImage()
    {
        const QImage all = tktest::render(&table);
        return all.copy(table.viewport()->geometry());
    }
};

QColor pixel(const QImage& image, int x, int y) { return QColor::fromRgba(image.pixel(x, y)); }

} // namespace

TEST(CustomTableView, FirstRowIsHighlightedUntilAnotherIsSet)
{
    FileList list;
    EXPECT_EQ(list.table.rowNum(), 0);
    const QImage image = list.viewportImage();
    tktest::savePng(tktest::render(&list.table), QStringLiteral("table_file_list"));
    const int row0 = list.table.rowViewportPosition(0);
    const int row1 = list.table.rowViewportPosition(1);
    // Between columns' contents, at x 400 in the path column, the card shows.
    const QColor highlighted = pixel(image, 705, row0 + 24);
    const QColor plain = pixel(image, 705, row1 + 24);
    EXPECT_GT(highlighted.red(), plain.red() + 10) << "row 0's card is lighter";
    EXPECT_TRUE(tktest::near(plain, QColor(50, 50, 61), 2));
}

TEST(CustomTableView, CardIsAlways690By48AtX20)
{
    FileList list;
    list.table.verticalHeader()->setDefaultSectionSize(60); // taller rows do not grow the card
    list.table.setRowNum(1);
    const QImage image = list.viewportImage();
    const int top = list.table.rowViewportPosition(1);
    const QColor card = pixel(image, 650, top + 30);
    EXPECT_FALSE(tktest::near(pixel(image, 18, top + 24), card)) << "left of x 20 is not the card";
    EXPECT_TRUE(tktest::near(pixel(image, 22, top + 24), card));
    EXPECT_TRUE(tktest::near(pixel(image, 707, top + 24), card));
    EXPECT_FALSE(tktest::near(pixel(image, 712, top + 24), card)) << "the card ends at x 710";
    EXPECT_TRUE(tktest::near(pixel(image, 300, top + 46), card));
    EXPECT_FALSE(tktest::near(pixel(image, 300, top + 50), card)) << "the card is 48 high";
    tktest::savePng(tktest::render(&list.table), QStringLiteral("table_tall_rows_row1"));
}

// The rows of bright pixels (text, ticks, icons) inside a strip of an image.
QPair<int, int> brightRows(const QImage& image, const QRect& strip, int threshold = 150)
{
    int first = -1, last = -1;
    for (int y = strip.top(); y <= strip.bottom(); ++y)
        for (int x = strip.left(); x <= strip.right(); ++x)
            if (qGray(image.pixel(x, y)) > threshold) {
                if (first < 0)
                    first = y;
                last = y;
                break;
            }
    return {first, last};
}

TEST(CustomTableView, InTallRowsTheTickSitsLevelWithItsTitle)
{
    FileList list;
    list.table.verticalHeader()->setDefaultSectionSize(60);
    const QImage image = list.viewportImage();
    for (int row = 0; row < 3; ++row) {
        const int top = list.table.rowViewportPosition(row);
        // The tick box (its outline or fill) and the name's letters, in one row.
        const auto tick = brightRows(image, QRect(23, top, 16, 60), 120);
        const int nameX = list.table.columnViewportPosition(2) + 36;
        const auto title = brightRows(image, QRect(nameX, top, 60, 60), 150);
        ASSERT_GE(tick.first, 0) << row;
        ASSERT_GE(title.first, 0) << row;
        const double tickMiddle = (tick.first + tick.second) / 2.0;
        const double titleMiddle = (title.first + title.second) / 2.0;
        EXPECT_NEAR(tickMiddle, titleMiddle, 2.5) << "row " << row << ": tick " << tick.first << "–" << tick.second
                                                  << ", title " << title.first << "–" << title.second;
        EXPECT_NEAR(tickMiddle - top, 24, 2) << "the tick is centred on the 48-high card";
    }
}

TEST(CustomTableView, TheSearchColumnShowsTheMagnifier)
{
    FileList list;
    const QImage image = list.viewportImage();
    // Row 1 is not highlighted: its icon lies on the list colour.
    const int top = list.table.rowViewportPosition(1);
    const QRect icon(list.table.columnViewportPosition(1) + 3, top + 12, 24, 24);
    const auto drawnAlone = [&](const QString& name) {
        QImage alone(icon.size(), QImage::Format_ARGB32_Premultiplied);
        alone.fill(QColor(50, 50, 61));
        QPainter p(&alone);
        ImageCache::iconNamed(name).paint(&p, QRect(QPoint(0, 0), icon.size()), Qt::AlignCenter);
        p.end();
        return alone;
    };
    const auto difference = [](const QImage& a, const QImage& b) {
        qint64 sum = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x)
                sum += std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y)));
        return sum;
    };
    const QImage shown = image.copy(icon).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const qint64 toSearch = difference(shown, drawnAlone(QStringLiteral("ic_search")));
    const qint64 toExport = difference(shown, drawnAlone(QStringLiteral("ic_export")));
    EXPECT_LT(toSearch, 24 * 24 * 3) << "the magnifier, drawn where it belongs";
    EXPECT_GT(toExport, toSearch * 4) << "not the export arrow";
}

TEST(CustomTableView, RowNumbersOutsideTheListHighlightNothing)
{
    for (int row : {10, -1}) {
        FileList list;
        list.table.setSelectNum(row);
        EXPECT_EQ(list.table.rowNum(), row);
        const QImage image = list.viewportImage();
        for (int r = 0; r < list.model.rowCount(); ++r) {
            SCOPED_TRACE(r);
            EXPECT_TRUE(tktest::near(pixel(image, 705, list.table.rowViewportPosition(r) + 24), QColor(50, 50, 61), 2));
        }
    }
}

TEST(CustomTableView, RightClickGoesToTheDelegateOnly)
{
    struct Listener : CustomTableViewDelegate {
        int clicks = 0;
        QPoint at;
        void listRightMouseDown(QMouseEvent* event) override
        {
            ++clicks;
            at = event->position().toPoint();
        }
    } listener;
    FileList list;
    list.table.setListDelegate(&listener);
    list.table.show();
    const QPoint where(300, list.table.rowViewportPosition(2) + 20);
    QTest::mouseClick(list.table.viewport(), Qt::RightButton, {}, where);
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, where, list.table.viewport()->mapToGlobal(where));
    QApplication::sendEvent(list.table.viewport(), &menuEvent);
    EXPECT_EQ(listener.clicks, 1);
    EXPECT_EQ(listener.at, where);
    EXPECT_FALSE(list.table.selectionModel()->hasSelection()) << "a right click selects no row";
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "no standard menu";
    // A left click does select.
    QTest::mouseClick(list.table.viewport(), Qt::LeftButton, {}, QPoint(400, list.table.rowViewportPosition(2) + 20));
    EXPECT_TRUE(list.table.selectionModel()->isRowSelected(2, QModelIndex()));
}

TEST(CustomHeader, CellsFromTheColumnTitlesWithTheSortTriangle)
{
    FileList list;
    EXPECT_EQ(list.table.horizontalHeader()->height(), 25);
    CustomHeaderView* header = list.table.customHeader();
    ASSERT_EQ(header->cellCount(), 5);
    EXPECT_EQ(header->headerCell(2)->title(), QStringLiteral("名称"));
    EXPECT_TRUE(header->headerCell(2)->ascending());
    EXPECT_EQ(header->headerCell(2)->priority(), 1);
    EXPECT_TRUE(tktest::near(header->headerCell(2)->textColor(), QColor(194, 200, 230), 1));
    EXPECT_EQ(header->headerCell(2)->font().pixelSize(), 12);
    EXPECT_EQ(header->headerCell(9), nullptr);

    const QRectF frame(100, 0, 200, 25);
    CustomHeaderCell cell(QStringLiteral("大小"));
    EXPECT_EQ(cell.sortIndicator(frame), (QVector<QPointF>{{288, 15}, {296, 15}, {292, 8}}));
    cell.setSortAscending(false, 0);
    EXPECT_EQ(cell.sortIndicator(frame), (QVector<QPointF>{{288, 10}, {296, 10}, {292, 17}}));

    // The triangle shows only on the sort column (priority 0).
    const auto drawn = [&](const CustomHeaderCell& c) {
        QImage image(300, 25, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::black);
        QPainter p(&image);
        c.drawWithFrame(p, frame);
        p.end();
        return QColor::fromRgba(image.pixel(292, 13));
    };
    EXPECT_TRUE(tktest::near(drawn(cell), Qt::white, 40));
    cell.setSortAscending(false, 1);
    EXPECT_TRUE(tktest::near(drawn(cell), QColor(61, 73, 110), 2));

    // The band also fills the header past the last column.
    const QImage tableImage = tktest::render(&list.table, Qt::white);
    EXPECT_TRUE(tktest::near(QColor::fromRgba(tableImage.pixel(list.table.width() - 5, 12)), QColor(61, 73, 110), 2))
        << QColor::fromRgba(tableImage.pixel(list.table.width() - 5, 12)).name().toStdString();

    // Rebuilding the columns rebuilds the cells.
    list.model.setColumnCount(6);
    list.model.setHorizontalHeaderItem(5, new QStandardItem(QStringLiteral("类型")));
    list.table._setupHeaderCell();
    ASSERT_EQ(header->cellCount(), 6);
    EXPECT_EQ(header->headerCell(5)->title(), QStringLiteral("类型"));
}

TEST(ImageAndTextCell, BlankTitleDrawsNothingNotEvenTheImage)
{
    ImageAndTextCell cell;
    cell.setImage(ImageCache::iconNamed(QStringLiteral("checkbox_yes")));
    cell.setColor(Qt::white);
    for (const QString& title : {QStringLiteral(" "), QStringLiteral("")}) {
        cell.setTitle(title, 12, 200);
        QImage image(300, 48, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        cell.drawWithFrame(p, QRectF(0, 0, 300, 48));
        p.end();
        bool anything = false;
        for (int y = 0; y < image.height() && !anything; ++y)
            for (int x = 0; x < image.width() && !anything; ++x)
                anything = qAlpha(image.pixel(x, y)) != 0;
        EXPECT_FALSE(anything) << "title \"" << title << "\"";
    }
    // Without a title the image alone is drawn, 24 x 24 at x 3, centred.
    cell.setTitle(QString(), 12, 200);
    QImage image(300, 48, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    cell.drawWithFrame(p, QRectF(0, 0, 300, 48));
    p.end();
    EXPECT_GT(qAlpha(image.pixel(15, 24)), 200);
    EXPECT_EQ(qAlpha(image.pixel(15, 8)), 0);
    EXPECT_EQ(qAlpha(image.pixel(40, 24)), 0);
}

TEST(ImageAndTextCell, FramesAndSizes)
{
    ImageAndTextCell cell;
    EXPECT_EQ(cell.imageFrameForCellFrame(QRectF(10, 100, 200, 48)), QRectF());
    EXPECT_EQ(cell.editFrameForCellFrame(QRectF(10, 100, 200, 48)), QRectF(13, 100, 197, 48));
    EXPECT_EQ(cell.cellSize(QSizeF(50, 17)), QSizeF(53, 17));
    EXPECT_EQ(cell.titleRectForCellFrame(QRectF(10, 100, 200, 48)), QRectF(10, 114, 0, 17));
    cell.setImage(ImageCache::iconNamed(QStringLiteral("ic_trash")));
    cell.setTitle(QStringLiteral("x"), 14, 150);
    EXPECT_EQ(cell.imageFrameForCellFrame(QRectF(10, 100, 200, 48)), QRectF(13, 112, 24, 24));
    EXPECT_EQ(cell.editFrameForCellFrame(QRectF(10, 100, 200, 48)), QRectF(37, 100, 173, 48));
    EXPECT_EQ(cell.cellSize(QSizeF(50, 17)), QSizeF(77, 17));
    EXPECT_EQ(cell.titleRectForCellFrame(QRectF(10, 100, 200, 48)), QRectF(46, 114, 150, 17));
}

namespace {

QImage drawCell(const ImageAndTextCell& cell, const QSize& size = QSize(240, 48))
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(50, 50, 61));
    QPainter p(&image);
    cell.drawWithFrame(p, QRectF(QPointF(0, 0), size));
    return image;
}

} // namespace

TEST(ImageAndTextCell, SplitModeSetsTheFreeSizeInBold)
{
    ImageAndTextCell plain;
    plain.setTitle(QStringLiteral("12.50 GB / 500.00 GB"), 12, 200);
    plain.setColor(Qt::white);
    ImageAndTextCell split = plain;
    split.setOnlyEdit(true);
    const QImage a = drawCell(plain);
    const QImage b = drawCell(split);
    EXPECT_NE(a, b) << "the bold part changes the drawing";
    // The tail after the bold part is drawn in the light font in both: the
    // right end of the text differs only by the bold part's extra width.
    tktest::savePng(tktest::sheet({a, b}, 1, QColor(50, 50, 61)), QStringLiteral("cell_split_mode"));

    // An image is not drawn in split mode.
    // With an image the title moves right by 36, but nothing is drawn in the strip.
    split.setImage(ImageCache::iconNamed(QStringLiteral("ic_trash")));
    const QImage withImage = drawCell(split);
    for (int y = 12; y < 36; ++y)
        for (int x = 3; x < 27; ++x)
            ASSERT_TRUE(tktest::near(pixel(withImage, x, y), QColor(50, 50, 61), 1)) << x << "," << y;
}

TEST(ImageAndTextCell, SplitTitleWithoutASlashIsDrawnPlainly)
{
    for (const QString& title : {QStringLiteral("no slash at all"), QStringLiteral("/leading slash"), QStringLiteral("a/b"),
                                 QStringLiteral("/")}) {
        SCOPED_TRACE(title.toStdString());
        ImageAndTextCell plain;
        plain.setTitle(title, 12, 200);
        plain.setColor(Qt::white);
        ImageAndTextCell split = plain;
        split.setOnlyEdit(true);
        EXPECT_EQ(drawCell(plain), drawCell(split));
    }
}

TEST(ImageAndTextCell, SplitTitleThatOverflowsIsCutNotOverrun)
{
    ImageAndTextCell split;
    split.setTitle(QStringLiteral("1234567890.00 GB / 9999999999.00 GB"), 12, 60);
    split.setColor(Qt::white);
    split.setOnlyEdit(true);
    const QImage image = drawCell(split);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 61; x < image.width(); ++x)
            ASSERT_TRUE(tktest::near(pixel(image, x, y), QColor(50, 50, 61), 1)) << "drawn past the title's width at " << x;
}

TEST(CheckButtonCell, LatchLetsOneClickThroughPerFifthOfASecond)
{
    struct Counter : CheckButtonCellDelegate {
        QList<int> tags;
        void clickButtonAction(CheckButtonCell& cell) override { tags << cell.tag(); }
    } counter;
    CheckButtonCell::changeVlaue();
    CheckButtonCell a, b;
    a.setDelegate(&counter);
    b.setDelegate(&counter);
    a.setTag(1);
    b.setTag(2);
    const QRectF frame(0, 100, 60, 50);
    EXPECT_EQ(CheckButtonCell::hitBoxForCellFrame(frame), QRectF(21, 115, 20, 20));

    EXPECT_FALSE(a.hitTestForEvent(QPointF(20, 120), frame)) << "outside the box";
    EXPECT_EQ(CheckButtonCell::clickLatch(), 0);
    EXPECT_TRUE(a.hitTestForEvent(QPointF(30, 125), frame));
    EXPECT_FALSE(b.hitTestForEvent(QPointF(30, 125), frame)) << "a second cell within 0.2 s";
    EXPECT_FALSE(a.hitTestForEvent(QPointF(30, 125), frame));
    EXPECT_EQ(counter.tags, (QList<int>{1}));
    EXPECT_TRUE(nvtest::pumpUntil([] { return CheckButtonCell::clickLatch() == 0; }, 2000));
    EXPECT_TRUE(b.hitTestForEvent(QPointF(30, 125), frame));
    EXPECT_EQ(counter.tags, (QList<int>{1, 2}));
    EXPECT_TRUE(nvtest::pumpUntil([] { return CheckButtonCell::clickLatch() == 0; }, 2000));
}

TEST(CheckButtonCell, ClickInTheListReportsTheRowOnce)
{
    struct Counter : CheckButtonCellDelegate {
        QList<int> tags;
        QAbstractItemView* view = nullptr;
        QList<int> selectedRows;
        void clickButtonAction(CheckButtonCell& cell) override
        {
            tags << cell.tag();
            selectedRows << view->currentIndex().row();
        }
    } counter;
    CheckButtonCell::changeVlaue();
    FileList list(&counter);
    counter.view = &list.table;
    int actions = 0;
    list.tick.prototype().setAction([&](CheckButtonCell&) { ++actions; });
    list.table.show();
    const int top = list.table.rowViewportPosition(2);
    QTest::mouseClick(list.table.viewport(), Qt::LeftButton, {}, QPoint(30, top + 24));
    EXPECT_EQ(counter.tags, (QList<int>{2}));
    EXPECT_EQ(counter.selectedRows, (QList<int>{2})) << "the clicked row is the selected row when the tick is reported";
    EXPECT_EQ(actions, 1) << "the standard action runs once too";
    // Outside the box but inside the cell: no report, the standard action still runs.
    EXPECT_TRUE(nvtest::pumpUntil([] { return CheckButtonCell::clickLatch() == 0; }, 2000));
    QTest::mouseClick(list.table.viewport(), Qt::LeftButton, {}, QPoint(42, top + 5));
    EXPECT_EQ(counter.tags.size(), 1);
    EXPECT_EQ(actions, 2);
}

TEST(CustemOutlineView, DrawsWithoutRedrawingItself)
{
    QStandardItemModel model;
    model.setHorizontalHeaderLabels({QStringLiteral("项目"), QStringLiteral("擦除标准"), QStringLiteral("结果")});
    for (int run = 0; run < 3; ++run) {
        auto* time = new QStandardItem(QStringLiteral("2024-05-0%1 10-2%1-00").arg(run + 1));
        for (int i = 0; i < 2; ++i)
            time->appendRow({new QStandardItem(QStringLiteral("/home/user/文件%1.txt").arg(i)),
                             new QStandardItem(QStringLiteral("DoD 5220.22-M(擦除3次)")), new QStandardItem(QStringLiteral("擦除成功"))});
        model.appendRow({time, new QStandardItem, new QStandardItem});
    }
    CustemOutlineView outline;
    outline.setModel(&model);
    outline._setupHeaderCell();
    outline.expandAll();
    outline.resize(640, 300);
    outline.setColumnWidth(0, 300);
    outline.setColumnWidth(1, 200);
    EXPECT_EQ(outline.header()->height(), 26);
    outline.setCurrentIndex(model.index(0, 0));
    outline.show();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return outline.isVisible(); }, 2000));
    nvtest::pump(200);

    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Paint)
                ++paints;
            return false;
        }
    } counter;
    outline.viewport()->installEventFilter(&counter);
    outline.viewport()->repaint();
    EXPECT_EQ(counter.paints, 1);
    nvtest::pump(300);
    EXPECT_EQ(counter.paints, 1) << "drawing a row asked for another redraw";
    outline.viewport()->removeEventFilter(&counter);
    tktest::saveRendering(&outline, QStringLiteral("outline_history"));
}
