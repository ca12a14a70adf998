// The File Eraser tab driven as a person drives it: adding by drop and by
// the picker, ticking, sorting, the row menu, the side panels, and whole
// erase runs over real files ending in the history database.
#include "ScreenTestSupport.h"

#include "tools/fileeraser/EndBgView.h"
#include "tools/fileeraser/FileEraserTable.h"
#include "tools/fileeraser/FileEraserViewController.h"
#include "toolkit/FilePickerPanel.h"
#include "tools/erasepanels/NTFSViewController.h"
#include "tools/erasepanels/SetEraserLevelVC.h"
#include "tools/fileeraser/TextIconImageBtton.h"

#include "core/DoDataBase.h"
#include "core/ErasureStandards.h"
#include "core/PublicUtilities.h"
#include "platform/Defaults.h"
#include "platform/Process.h"
#include "toolkit/CheckButtonCell.h"
#include "toolkit/DropDownHost.h"
#include "toolkit/PointerTrackingView.h"
#include "toolkit/SortSelectBgView.h"
#include "tools/erasepanels/ErasureStandardChoice.h"
#include "tools/erasepanels/StandardConfirmViewController.h"
#include "../../toolkit/FakeScheduler.h"
#include "toolkit/ITProgressBar.h"
#include "toolkit/MAAttachedWindow.h"
#include "toolkit/TCImageButton.h"
#include "toolkit/TextImageButton.h"
#include "toolkit/ToolArea.h"

#include <QPropertyAnimation>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QStandardPaths>
#include <QTest>
#include <QTextDocument>
#include <QTreeView>

#include <utility>

static ::testing::Environment* const kNoAnimations = ::testing::AddGlobalTestEnvironment(new screentest::NoAnimations);

namespace {

struct FakeMainWindow : MainWindowHost {
    QList<bool> calls;
    void canChangeType(bool enabled) override { calls << enabled; }
};

using screentest::plainText;

QStringList urls(const FileEraserList& list)
{
    QStringList out;
    for (const FileObjPtr& item : list.valueArr())
        out << item->url();
    return out;
}

class FileEraserScreenTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QFile::remove(DoDataBase::getDataBase());
        PublicUtilities::writeUpDataHistoryStr(QStringLiteral("WipeFileHistory"), QStringLiteral("0"));
        platform::defaults::setInteger(QStringLiteral("EraserTimesTag"), 4);
        platform::defaults::setInteger(QStringLiteral("EraserTimes"), 3);
        dir = nvtest::freshFolder(QStringLiteral("screen"));
        screen = std::make_unique<FileEraserViewController>();
        screen->setSuperDelegate(&host);
        screen->setFileOpener([this](const QString& p) {
            opened << p;
            return openerWorks;
        });
        screen->setFileRevealer([this](const QString& p) {
            revealed << p;
            return true;
        });
        screen->setUrlOpener([this](const QUrl& u) { urlsOpened << u; });
        window.resize(toolkit::kToolWidth, toolkit::kToolHeight);
        screen->view()->setParent(&window);
        screen->view()->move(0, 0);
        window.show();
    }
    void TearDown() override
    {
        screen->stopRunningWork(10000);
        screen.reset();
    }

    QString file(const QString& rel, const QByteArray& bytes = "data")
    {
        const QString path = dir + QLatin1Char('/') + rel;
        EXPECT_TRUE(nvtest::writeFile(path, bytes));
        return path;
    }

    bool listShowing() const
    {
        return screen->listView()->isVisible() && screen->listView()->pos() == QPoint(0, 0);
    }

    // Confirms the next erase dialog with "继续".
    void confirmNextRun(const QString& png = QString())
    {
        screentest::whenDialogShown([this, png](StatusAttachedWindow* window) {
            if (!png.isEmpty())
                screentest::savePng(window, png);
            TextImageButton* go = screentest::buttonTitled(window, QStringLiteral("继续"));
            ASSERT_NE(go, nullptr);
            QTest::mouseClick(go, Qt::LeftButton);
        });
    }

    FakeMainWindow host;
    QWidget window;
    std::unique_ptr<FileEraserViewController> screen;
    QString dir;
    QStringList opened, revealed;
    QList<QUrl> urlsOpened;
    bool openerWorks = true;
};

} // namespace

TEST_F(FileEraserScreenTest, DroppingFilesShowsTheListWithItsCounters)
{
    EXPECT_TRUE(screen->mainView()->isVisible());
    EXPECT_FALSE(screen->listView()->isVisible());
    EXPECT_EQ(screen->mainAddButton()->textField()->text(), QStringLiteral("添加"));
    screentest::savePng(&window, QStringLiteral("FileEraserViewController-empty"));

    const QString a = file("a.txt", QByteArray(1500, 'a'));
    const QString b = file("Folder/inner.bin", QByteArray(10, 'b'));
    const QString c = file("c.log", QByteArray(999, 'c'));
    const QString after = file("after.txt");
    screen->viewDragAction({a, dir + "/Folder", a, c, QStringLiteral("/"), after});
    EXPECT_EQ(urls(screen->valueArr()), (QStringList{a, dir + "/Folder", c}));
    EXPECT_TRUE(listShowing());
    EXPECT_FALSE(screen->mainView()->isVisible());
    EXPECT_EQ(screen->tableModel()->rowCount(), 3);
    EXPECT_EQ(plainText(screen->selectCountLabel()), QStringLiteral("已选择: 3/3 个文件"));
    EXPECT_EQ(screen->selectAllButton()->textField()->text(), QStringLiteral("取消全选"));
    EXPECT_TRUE(screen->eraserFileButton()->isDisabled());
    EXPECT_EQ(screen->emptyButton()->textField()->text(), QStringLiteral("清空列表"));
    EXPECT_EQ(screen->listAddButton()->textField()->text(), QStringLiteral("添加更多"));
    EXPECT_EQ(screen->eraserFileButton()->textField()->text(), QStringLiteral("立即擦除"));

    // Tooltips are the cells' texts, escaped; a folder's size has none.
    EXPECT_EQ(screen->tableModel()->toolTipText(0, FileEraserTableModel::SizeColumn), QStringLiteral("1.50 KB"));
    EXPECT_EQ(screen->tableModel()->toolTipText(2, FileEraserTableModel::SizeColumn), QStringLiteral("999 byte"));
    EXPECT_EQ(screen->tableModel()->toolTipText(1, FileEraserTableModel::SizeColumn), QString());
    EXPECT_EQ(screen->tableModel()->toolTipText(1, FileEraserTableModel::TypeColumn), QStringLiteral("Folder"));
    EXPECT_EQ(screen->tableModel()->toolTipText(0, FileEraserTableModel::PathColumn), a);
    for (int c2 = 0; c2 < FileEraserTableModel::ColumnCount; ++c2)
        EXPECT_EQ(screen->tableModel()->data(screen->tableModel()->index(0, c2), Qt::DisplayRole), QVariant());
    screentest::savePng(&window, QStringLiteral("FileEraserViewController-list"));

    // A name made of markup is text everywhere.
    const QString odd = file("<img src=x onerror=alert(1)><b>bold.txt");
    screen->viewDragAction({odd});
    EXPECT_TRUE(screen->tableModel()->data(screen->tableModel()->index(3, FileEraserTableModel::NameColumn), Qt::ToolTipRole)
                    .toString()
                    .contains(QStringLiteral("&lt;img src=x onerror=alert(1)&gt;&lt;b&gt;bold.txt")));

    // Clearing goes back to the empty state.
    QTest::mouseClick(screen->emptyButton(), Qt::LeftButton);
    EXPECT_TRUE(screen->valueArr().isEmpty());
    EXPECT_TRUE(screen->mainView()->isVisible());
    EXPECT_FALSE(screen->listView()->isVisible());
    EXPECT_EQ(plainText(screen->selectCountLabel()), QStringLiteral("总: 0 个文件"));
    EXPECT_FALSE(screen->eraserFileButton()->isDisabled());
}

TEST_F(FileEraserScreenTest, TicksCountersAndSelectAll)
{
    QStringList paths;
    for (int i = 0; i < 5; ++i)
        paths << file(QStringLiteral("f%1.txt").arg(i));
    screen->viewDragAction(paths);

    // A click on the tick box of the second row.
    CustomTableView* table = screen->valueTableView();
    const int rowY = table->rowViewportPosition(1);
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, QPoint(31, rowY + 25));
    EXPECT_FALSE(screen->valueArr().at(1)->isSelect());
    nvtest::pump(CheckButtonCell::kLatchMs + 50);
    screen->selectListButton(3);
    EXPECT_EQ(screen->returnSelectAllState(), 1);
    EXPECT_EQ(plainText(screen->selectCountLabel()), QStringLiteral("已选择: 3/5 个文件"));
    EXPECT_TRUE(screen->selectCountLabel()->text().contains(QStringLiteral("font-size:14px; color:#ffffff;\">3</span>")))
        << screen->selectCountLabel()->text();
    EXPECT_EQ(screen->selectAllButton()->textField()->text(), QStringLiteral("全选"));
    EXPECT_TRUE(screen->eraserFileButton()->isDisabled());
    screentest::savePng(&window, QStringLiteral("FileEraserViewController-some-ticked"));

    QTest::mouseClick(screen->selectAllButton(), Qt::LeftButton);
    EXPECT_EQ(screen->valueArr().tickedCount(), 5);
    EXPECT_EQ(screen->selectAllButton()->textField()->text(), QStringLiteral("取消全选"));
    QTest::mouseClick(screen->selectAllButton(), Qt::LeftButton);
    EXPECT_EQ(screen->valueArr().tickedCount(), 0);
    EXPECT_EQ(plainText(screen->selectCountLabel()), QStringLiteral("总: 5 个文件"));
    EXPECT_FALSE(screen->eraserFileButton()->isDisabled());
    // With nothing ticked the erase button does nothing.
    screen->eraserNowButtonAction();
    EXPECT_EQ(screentest::runningDialog(), nullptr);
    EXPECT_FALSE(screen->progressView()->isVisible());
}

TEST_F(FileEraserScreenTest, TheSortListOrdersTheListAndTitlesTheButton)
{
    const QString big = file("b-big.bin", QByteArray(5000, 'x'));
    const QString small = file("a-small.bin", QByteArray(10, 'x'));
    const QString mid = file("c-mid.bin", QByteArray(700, 'x'));
    screen->viewDragAction({mid, big, small});
    EXPECT_EQ(screen->sortTitleLabel()->text(), QStringLiteral("名称、升序"));

    QTest::mouseClick(screen->sortButton(), Qt::LeftButton);
    FileEraserSortVC* sortVC = screen->fileEraserSortVC();
    ASSERT_NE(sortVC, nullptr);
    MAAttachedWindow* list = screen->sortDropDown()->attachedWindow();
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->isVisible());
    // The list opens upward from the sort control.
    EXPECT_LE(list->geometry().bottom(), screen->sortButton()->mapToGlobal(QPoint(0, 0)).y() + 1);
    EXPECT_TRUE(sortVC->icon(1)->isVisibleTo(sortVC->view()));
    screentest::savePng(list, QStringLiteral("FileEraserViewController-sort-list"));
    QTest::mouseClick(sortVC->row(2), Qt::LeftButton);
    EXPECT_FALSE(screen->sortDropDown()->isShown());
    EXPECT_EQ(screen->sortTitleLabel()->text(), QStringLiteral("大小、升序"));
    EXPECT_EQ(urls(screen->valueArr()), (QStringList{small, mid, big}));

    QTest::mouseClick(screen->sortButton(), Qt::LeftButton);
    sortVC = screen->fileEraserSortVC();
    ASSERT_NE(sortVC, nullptr);
    EXPECT_TRUE(sortVC->icon(2)->isVisibleTo(sortVC->view()));
    QTest::mouseClick(sortVC->row(5), Qt::LeftButton);
    EXPECT_EQ(screen->sortButton()->text(), QStringLiteral("大小、降序"));
    EXPECT_EQ(urls(screen->valueArr()), (QStringList{big, mid, small}));

    screen->selectSortbyType(0, 0);
    EXPECT_EQ(urls(screen->valueArr()), (QStringList{small, big, mid}));
    // Items added after sorting stay in the list.
    const QString later = file("0-later.txt");
    screen->viewDragAction({later});
    screen->selectSortbyType(0, 0);
    EXPECT_EQ(urls(screen->valueArr()), (QStringList{later, small, big, mid}));

    // Untouched, the list closes by itself.
    QTest::mouseClick(screen->sortButton(), Qt::LeftButton);
    ASSERT_TRUE(screen->sortDropDown()->isShown());
    EXPECT_TRUE(nvtest::pumpUntil([&] { return !screen->sortDropDown()->isShown(); }, 4000));
}

TEST_F(FileEraserScreenTest, TheRowMenuOpensAndReveals)
{
    const QString a = file("open-me.txt");
    screen->viewDragAction({a});
    CustomTableView* table = screen->valueTableView();

    // Below the last row: no menu.
    QTest::mousePress(table->viewport(), Qt::RightButton, {}, QPoint(100, table->rowViewportPosition(0) + 200));
    EXPECT_EQ(screen->contextMenu(), nullptr);

    QTest::mousePress(table->viewport(), Qt::RightButton, {}, QPoint(300, table->rowViewportPosition(0) + 20));
    QMenu* menu = screen->contextMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_EQ(menu->actions().at(0)->text(), QStringLiteral("打开"));
    EXPECT_EQ(menu->actions().at(1)->text(), QStringLiteral("在文件夹中查看"));
    screentest::savePng(menu, QStringLiteral("FileEraserViewController-row-menu"));
    menu->actions().at(0)->trigger();
    EXPECT_EQ(opened, QStringList{a});
    menu->actions().at(1)->trigger();
    EXPECT_EQ(revealed, QStringList{a});
    menu->close();

    // The magnifier reveals the row's item.
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, QPoint(45 + 12, table->rowViewportPosition(0) + 24));
    EXPECT_EQ(revealed, (QStringList{a, a}));

    // When the desktop cannot open it, or there is no path, the user is told.
    openerWorks = false;
    QString told;
    screentest::answerNextMessageBox(QStringLiteral("FileEraserViewController-cannot-open"), QMessageBox::Ok,
                                     [&](const QString& text) { told = text; });
    screen->openFinderWhenClickItems(screen->valueArr().at(0));
    EXPECT_EQ(told, QStringLiteral("文件夹不能打开"));
    told.clear();
    auto nowhere = std::make_shared<FileObj>();
    screentest::answerNextMessageBox(QString(), QMessageBox::Ok, [&](const QString& text) { told = text; });
    screen->showInFinderWhenClickItems(nowhere);
    EXPECT_EQ(told, QStringLiteral("文件夹不能打开"));
    EXPECT_EQ(revealed.size(), 2);
}

TEST_F(FileEraserScreenTest, ThePickerStartsOnTheDesktopAddsWhatIsChosenAndRemembersItsFrame)
{
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    ASSERT_TRUE(nvtest::writeFile(desktop + "/report.txt", "r"));
    ASSERT_TRUE(nvtest::writeFile(desktop + "/Photos/p1.jpg", "p"));
    ASSERT_TRUE(nvtest::writeFile(desktop + "/.hidden", "h"));
    ASSERT_EQ(FilePickerPanel::defaultStartFolder(), desktop);

    QRect shownAt;
    nvtest::ExpectDialogs answered; // the hooks answer the picker
    screen->setPickerHook([&](FilePickerPanel* panel) {
        EXPECT_EQ(panel->directory(), desktop);
        EXPECT_EQ(panel->prompt(), QStringLiteral("添加"));
        EXPECT_EQ(panel->windowTitle(), QStringLiteral("添加"));
        QFileSystemModel* model = panel->fileModel();
        const QModelIndex root = model->index(desktop);
        ASSERT_TRUE(nvtest::pumpUntil([&] { return model->rowCount(root) == 2; }, 5000)) << "hidden items must not show";
        panel->selectPaths({desktop + "/report.txt", desktop + "/Photos"});
        nvtest::pump(50);
        screentest::savePng(panel, QStringLiteral("FilePickerPanel"));
        shownAt = panel->geometry();
        QTest::mouseClick(panel->addButton(), Qt::LeftButton);
    });
    screen->selectFileButtonAction();
    EXPECT_EQ(urls(screen->valueArr()), (QStringList{desktop + "/Photos", desktop + "/report.txt"}));
    EXPECT_TRUE(screen->valueArr().at(0)->isDir());
    EXPECT_TRUE(listShowing());
    EXPECT_EQ(screen->rectNew(), shownAt);

    // Cancelling keeps the list; the picker comes back where it was.
    screen->setPickerHook([&](FilePickerPanel* panel) {
        EXPECT_EQ(panel->geometry(), shownAt);
        panel->selectPaths({desktop + "/report.txt"});
        QTest::mouseClick(panel->cancelButton(), Qt::LeftButton);
    });
    screen->selectFileButtonAction();
    EXPECT_EQ(screen->valueArr().count(), 2);
    EXPECT_TRUE(listShowing());
}

TEST_F(FileEraserScreenTest, ItemsOnNtfsAreRefusedWithTheNotice)
{
    screen->setNtfsTest([](const QString& p) { return p.contains(QLatin1String("ntfs")); });
    const QString plain = file("plain.txt");
    const QString onNtfs = file("ntfs-volume/doc.txt");
    int notices = 0;
    screentest::whenDialogShown([&](StatusAttachedWindow* w) {
        ++notices;
        w->findChildren<TextImageButton*>().value(0)->click();
    });
    screen->viewDragAction({onNtfs, plain});
    EXPECT_EQ(notices, 1);
    EXPECT_TRUE(screen->valueArr().isEmpty()) << "the first item on NTFS refuses the whole drop";
    EXPECT_FALSE(screen->listView()->isVisible());

    screentest::whenDialogShown([&](StatusAttachedWindow* w) {
        ++notices;
        w->findChildren<TextImageButton*>().value(0)->click();
    });
    screen->viewDragAction({plain, onNtfs});
    EXPECT_EQ(notices, 2);
    EXPECT_EQ(urls(screen->valueArr()), QStringList{plain});
}

TEST_F(FileEraserScreenTest, AFileOnARealNtfsVolumeIsRefused)
{
    nvtest::LoopDevice loop(40 << 20);
    NEED_LOOP(loop);
    if (platform::findProgram(QStringLiteral("mkfs.ntfs")).isEmpty() || platform::findProgram(QStringLiteral("ntfs-3g")).isEmpty())
        GTEST_SKIP() << "mkfs.ntfs or ntfs-3g is not installed";
    ASSERT_TRUE(loop.format(QStringLiteral("ntfs")));
    const QString point = loop.mount(QStringLiteral("ntfs"));
    ASSERT_FALSE(point.isEmpty());
    ASSERT_TRUE(nvtest::writeFile(point + "/on-ntfs.txt", "n"));
    const QString here = file("here.txt");
    EXPECT_TRUE(screen->isOnNtfs(point + "/on-ntfs.txt"));
    EXPECT_FALSE(screen->isOnNtfs(here));
    int notices = 0;
    screentest::whenDialogShown([&](StatusAttachedWindow* w) {
        ++notices;
        w->findChildren<TextImageButton*>().value(0)->click();
    });
    screen->viewDragAction({here, point + "/on-ntfs.txt"});
    EXPECT_EQ(notices, 1);
    EXPECT_EQ(urls(screen->valueArr()), QStringList{here});
    EXPECT_TRUE(loop.unmount());
}

TEST_F(FileEraserScreenTest, TheSidePanelsSlideInAndOut)
{
    PublicUtilities::writeUpDataHistoryStr(QStringLiteral("WipeFileHistory"), QStringLiteral("1"));
    screen->changeHistoryButtonState();
    EXPECT_EQ(screen->historyButton()->normalImageName(), QStringLiteral("ic_history"));

    QTest::mouseClick(screen->historyButton(), Qt::LeftButton);
    EXPECT_EQ(PublicUtilities::getUpDataHistoryStr(QStringLiteral("WipeFileHistory")), QStringLiteral("0"));
    EXPECT_EQ(screen->historyButton()->normalImageName(), QStringLiteral("ic_history_none"));
    ASSERT_NE(screen->historyVC(), nullptr);
    EXPECT_EQ(screen->historyVC()->typeStr(), QStringLiteral("WipeFile"));
    EXPECT_TRUE(screen->historyView()->isVisible());
    EXPECT_EQ(screen->historyView()->pos(), QPoint(0, 0));
    ASSERT_TRUE(nvtest::pumpUntil([&] { return !screen->historyVC()->isLoading(); }));
    screentest::savePng(&window, QStringLiteral("FileEraserViewController-history-panel"));
    QTest::mouseClick(screen->historyVC()->noCloseButton(), Qt::LeftButton);
    EXPECT_FALSE(screen->historyView()->isVisible());
    EXPECT_EQ(screen->historyView()->pos(), QPoint(toolkit::kToolWidth, 0));

    platform::defaults::setInteger(QStringLiteral("EraserTimes"), 7);
    QTest::mouseClick(screen->setButton(), Qt::LeftButton);
    ASSERT_NE(screen->setEraserLevelVC(), nullptr);
    EXPECT_TRUE(screen->setEraserLevelView()->isVisible());
    EXPECT_EQ(screen->setEraserLevelVC()->button(QStringLiteral("7"))->imageName(), QStringLiteral("radiobutton_sel"));
    screentest::savePng(&window, QStringLiteral("FileEraserViewController-pass-count-panel"));
    QTest::mouseClick(screen->setEraserLevelVC()->button(QStringLiteral("2")), Qt::LeftButton);
    QTest::mouseClick(screen->setEraserLevelVC()->saveButton(), Qt::LeftButton);
    EXPECT_EQ(platform::defaults::integerForKey(QStringLiteral("EraserTimes")), 2);
    EXPECT_FALSE(screen->setEraserLevelView()->isVisible());

    QTest::mouseClick(screen->aboutButton(), Qt::LeftButton);
    ASSERT_EQ(urlsOpened.size(), 1);
    EXPECT_TRUE(urlsOpened.first().toString().contains(QStringLiteral("support")));
}

TEST_F(FileEraserScreenTest, ARunShredsTheTickedItemsAndEndsOnTheSuccessPane)
{
    const QString folder = dir + "/Project";
    file("Project/notes.txt", QByteArray(4000, 'n'));
    file("Project/src/main.c", QByteArray(9000, 'm'));
    file("Project/empty.txt", QByteArray());
    const QString single = file("single.bin", QByteArray(123456, 's'));
    const QString keep = file("keep.txt", "stay");
    screen->viewDragAction({folder, keep, single});
    screen->selectListButton(1);

    QStringList progressTexts;
    bool pictured = false;
    QObject::connect(&screen->run(), &FileEraserRun::progressChanged, screen.get(), [&](const QString& count, double, const QString&) {
        progressTexts << count;
        if (!pictured) {
            pictured = true;
            EXPECT_TRUE(screen->progressView()->isVisible());
            EXPECT_EQ(screen->progressView()->pos(), QPoint(0, 0));
            EXPECT_EQ(screen->usedTimeLabel()->text(), QStringLiteral("0:00:01"));
            EXPECT_EQ(screen->eraserTypeLabel()->text(), erasureStandardLabel(4));
            screentest::savePng(&window, QStringLiteral("FileEraserViewController-progress"));
        }
    });
    confirmNextRun(QStringLiteral("FileEraserViewController-confirm"));
    screen->eraserNowButtonAction();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return screen->sussView()->isVisible() && screen->sussView()->pos() == QPoint(0, 0); }, 20000));
    EXPECT_FALSE(screen->failView()->pos() == QPoint(0, 0));
    EXPECT_EQ(host.calls, (QList<bool>{false, true}));
    ASSERT_FALSE(progressTexts.isEmpty());
    EXPECT_EQ(progressTexts.first(), QStringLiteral("6 文件中的 0 个"));
    EXPECT_FALSE(screen->progressView()->isVisible());

    EXPECT_FALSE(QFile::exists(folder));
    EXPECT_FALSE(QFile::exists(single));
    EXPECT_TRUE(QFile::exists(keep));
    ASSERT_EQ(screen->deleteErrorArr().size(), 2);
    EXPECT_EQ(screen->deleteErrorArr().at(0)->failStr(), QStringLiteral("擦除成功"));
    EXPECT_EQ(screen->deleteErrorArr().at(1)->failStr(), QStringLiteral("擦除成功"));
    // The unticked item waits in the list until the result pane is left.
    EXPECT_EQ(urls(screen->valueArr()), QStringList{keep});

    const HistoryRecords records = DoDataBase::returnDoDataBase()->getAllData();
    ASSERT_EQ(records.size(), 1);
    const QList<HistoryRow> rows = records.first();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows.at(1).value("Items"), folder);
    EXPECT_EQ(rows.at(2).value("Items"), single);
    EXPECT_EQ(rows.at(2).value("Result"), QStringLiteral("擦除成功"));
    EXPECT_EQ(PublicUtilities::getUpDataHistoryStr(QStringLiteral("WipeFileHistory")), QStringLiteral("1"));
    EXPECT_EQ(screen->historyButton()->normalImageName(), QStringLiteral("ic_history"));
    screentest::savePng(&window, QStringLiteral("FileEraserViewController-success"));

    QTest::mouseClick(screen->sussViewOkBut(), Qt::LeftButton);
    EXPECT_TRUE(screen->valueArr().isEmpty());
    EXPECT_TRUE(screen->mainView()->isVisible());
    EXPECT_FALSE(screen->sussView()->isVisible());
    EXPECT_EQ(screen->sussView()->pos(), QPoint(toolkit::kToolWidth, 0));
    EXPECT_EQ(plainText(screen->selectCountLabel()), QStringLiteral("总: 0 个文件"));
    EXPECT_TRUE(QFile::exists(keep));
}

TEST_F(FileEraserScreenTest, CancellingShowsTheFailurePaneAndStillRecordsTheRun)
{
    for (int i = 0; i < 30; ++i)
        file(QStringLiteral("Many/part%1.bin").arg(i), QByteArray(1 << 20, 'x'));
    const QString other = file("other.txt", "o");
    screen->viewDragAction({dir + "/Many", other});

    bool cancelled = false;
    QObject::connect(&screen->run(), &FileEraserRun::progressChanged, screen.get(), [&](const QString&, double, const QString&) {
        if (cancelled)
            return;
        cancelled = true;
        QTest::mouseClick(screen->cancelEraserButton(), Qt::LeftButton);
    });
    confirmNextRun();
    screen->eraserNowButtonAction();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return screen->failView()->isVisible() && screen->failView()->pos() == QPoint(0, 0); }, 20000));
    EXPECT_TRUE(screen->failNode()->isVisible());
    EXPECT_EQ(screen->failNode()->text(), QStringLiteral("用户取消了操作。"));
    EXPECT_EQ(host.calls, (QList<bool>{false, true}));
    EXPECT_TRUE(QFile::exists(other));
    EXPECT_TRUE(QFile::exists(dir + "/Many"));
    screentest::savePng(&window, QStringLiteral("FileEraserViewController-failure"));

    const HistoryRecords records = DoDataBase::returnDoDataBase()->getAllData();
    ASSERT_EQ(records.size(), 1);
    ASSERT_EQ(records.first().size(), 3);
    EXPECT_EQ(records.first().at(1).value("Result"), QStringLiteral("擦除失败"));
    EXPECT_EQ(records.first().at(2).value("Result"), QStringLiteral("擦除失败"));

    QTest::mouseClick(screen->failViewBackBut(), Qt::LeftButton);
    EXPECT_TRUE(screen->valueArr().isEmpty());
    EXPECT_FALSE(screen->failView()->isVisible());
    EXPECT_TRUE(screen->mainView()->isVisible());
    EXPECT_TRUE(screen->stopRunningWork(1000));
}

// "取消" is on screen as soon as the progress pane slides in, half a second
// before the run starts: pressed then, it ends the run before anything is
// erased, on the failure pane with the cancel note and a record.
TEST_F(FileEraserScreenTest, CancellingBeforeTheRunStartsErasesNothing)
{
    const QString a = file("a.txt", QByteArray(3000, 'a'));
    file("Folder/b.txt", QByteArray(3000, 'b'));
    screen->viewDragAction({a, dir + "/Folder"});
    confirmNextRun();
    screen->eraserNowButtonAction();
    ASSERT_FALSE(screen->run().isRunning()) << "the run starts after the pane's slide";
    QTest::mouseClick(screen->cancelEraserButton(), Qt::LeftButton);
    ASSERT_TRUE(nvtest::pumpUntil([&] { return !screen->run().isRunning() && screen->failView()->pos() == QPoint(0, 0); }, 20000));
    EXPECT_TRUE(screen->run().isCancel());
    EXPECT_EQ(screen->failNode()->text(), QStringLiteral("用户取消了操作。"));
    EXPECT_TRUE(screen->failNode()->isVisible());
    EXPECT_EQ(host.calls, (QList<bool>{false, true}));
    EXPECT_TRUE(nvtest::fileContains(a, QByteArray(3000, 'a')));
    EXPECT_TRUE(nvtest::fileContains(dir + "/Folder/b.txt", QByteArray(3000, 'b')));
    const HistoryRecords records = DoDataBase::returnDoDataBase()->getAllData();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records.first().at(1).value("Result"), QStringLiteral("擦除失败"));
}

TEST_F(FileEraserScreenTest, CancellingTheConfirmationKeepsTheList)
{
    const QString a = file("kept.txt");
    screen->viewDragAction({a});
    screentest::whenDialogShown([](StatusAttachedWindow* window) {
        TextImageButton* cancel = screentest::buttonTitled(window, QStringLiteral("取消"));
        ASSERT_NE(cancel, nullptr);
        QTest::mouseClick(cancel, Qt::LeftButton);
    });
    screen->eraserNowButtonAction();
    nvtest::pump(700);
    EXPECT_FALSE(screen->run().isRunning());
    EXPECT_TRUE(listShowing());
    EXPECT_TRUE(QFile::exists(a));
    EXPECT_TRUE(host.calls.isEmpty());
    EXPECT_TRUE(DoDataBase::returnDoDataBase()->getAllData().isEmpty());
}

namespace {

// The drop-down hosts' clock, advanced by the test: a host made while it
// lives schedules its timed close here.
class ManualDropDownClock {
public:
    ManualDropDownClock()
    {
        toolkit::setDefaultSchedulerFactory([this] { return std::make_unique<Forward>(fake); });
    }
    ~ManualDropDownClock() { toolkit::setDefaultSchedulerFactory({}); }
    FakeScheduler fake;

private:
    struct Forward : toolkit::DropDownScheduler {
        explicit Forward(FakeScheduler& f) : to(f) {}
        Token schedule(int ms, std::function<void()> callback) override { return to.schedule(ms, std::move(callback)); }
        void cancel(Token token) override { to.cancel(token); }
        FakeScheduler& to;
    };
};

// Animations at their real durations while it lives, each paused as it
// starts so that the test sets its clock by hand.
class HeldAnimations {
public:
    HeldAnimations() { toolkit::setAnimationScale(1.0); }
    ~HeldAnimations() { toolkit::setAnimationScale(0); }

    // The slide of `pane` under way, paused at its start.
    static QPropertyAnimation* slideOf(QWidget* pane)
    {
        for (QPropertyAnimation* a : pane->findChildren<QPropertyAnimation*>()) {
            if (a->propertyName() == "pos" && a->state() != QAbstractAnimation::Stopped) {
                a->pause();
                a->setCurrentTime(0);
                return a;
            }
        }
        return nullptr;
    }
};

MAAttachedWindow* shownDropDown()
{
    return screentest::visibleTopLevel<MAAttachedWindow>();
}

} // namespace

// A run in which an item could not be erased, though the user did not cancel
// and no rights were missing, ends on the failure pane without the cancel note.
TEST_F(FileEraserScreenTest, ARunThatFailedWithoutACancelEndsOnTheFailurePane)
{
    const QString folder = dir + "/Shared";
    file("Shared/a.txt", QByteArray(3000, 'a'));
    file("Shared/b.txt", QByteArray(3000, 'b'));
    const QString single = file("single.txt", "s");
    screen->viewDragAction({folder, single});

    // Once the job list is made, someone saves a new file into the folder:
    // the folder is no longer empty at its turn and stays.
    bool saved = false;
    QObject::connect(&screen->run(), &FileEraserRun::progressChanged, screen.get(), [&](const QString&, double, const QString&) {
        if (!saved)
            saved = nvtest::writeFile(folder + "/new.txt", "saved during the run");
    });
    confirmNextRun();
    screen->eraserNowButtonAction();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return !screen->run().isRunning() && screen->failView()->pos() == QPoint(0, 0); }, 20000));
    EXPECT_TRUE(saved);
    EXPECT_FALSE(screen->run().isCancel());
    EXPECT_FALSE(screen->run().isFailedEraser()) << "no rights failure was reported";
    EXPECT_TRUE(screen->failView()->isVisible());
    EXPECT_FALSE(screen->failNode()->isVisible()) << "the cancel note is for cancelled runs only";
    EXPECT_NE(screen->sussView()->pos(), QPoint(0, 0));
    EXPECT_EQ(host.calls, (QList<bool>{false, true}));
    ASSERT_EQ(screen->deleteErrorArr().size(), 2);
    EXPECT_EQ(screen->deleteErrorArr().at(0)->failStr(), QStringLiteral("擦除失败"));
    EXPECT_EQ(screen->deleteErrorArr().at(1)->failStr(), QStringLiteral("擦除成功"));
    EXPECT_TRUE(nvtest::fileContains(folder + "/new.txt", "saved during the run"));
    EXPECT_FALSE(QFile::exists(folder + "/a.txt"));
    screentest::savePng(&window, QStringLiteral("FileEraserViewController-failure-not-cancelled"));

    const HistoryRecords records = DoDataBase::returnDoDataBase()->getAllData();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records.first().at(1).value("Result"), QStringLiteral("擦除失败"));
    EXPECT_EQ(records.first().at(2).value("Result"), QStringLiteral("擦除成功"));
}

// The standard picked in the confirmation's drop-down is the one the run
// shows, uses and records.
TEST_F(FileEraserScreenTest, TheStandardChosenInTheConfirmationReachesTheRun)
{
    const QString a = file("a.txt", QByteArray(5000, 'a'));
    screen->viewDragAction({a});
    const int chosen = 6;
    ASSERT_NE(chosen, 4) << "a standard other than the stored one";
    screentest::whenDialogShown([&](StatusAttachedWindow* dialog) {
        auto* menu = dialog->findChild<StandardMenuButton*>();
        ASSERT_NE(menu, nullptr);
        QTest::mouseClick(menu, Qt::LeftButton);
        MAAttachedWindow* list = shownDropDown();
        ASSERT_NE(list, nullptr);
        screentest::savePng(list, QStringLiteral("FileEraserViewController-confirm-standards"));
        SortSelectBgView* row = nullptr;
        for (SortSelectBgView* r : list->findChildren<SortSelectBgView*>())
            if (r->identifier() == QString::number(chosen))
                row = r;
        ASSERT_NE(row, nullptr);
        QTest::mouseClick(row, Qt::LeftButton);
        EXPECT_EQ(shownDropDown(), nullptr) << "a choice closes the list";
        QLabel* shown = nullptr;
        for (QLabel* l : dialog->findChildren<QLabel*>())
            if (l->text() == erasureStandardLabel(chosen))
                shown = l;
        EXPECT_NE(shown, nullptr) << "the dialog shows the chosen standard at once";
        TextImageButton* go = screentest::buttonTitled(dialog, QStringLiteral("继续"));
        ASSERT_NE(go, nullptr);
        QTest::mouseClick(go, Qt::LeftButton);
    });
    // The confirmation stored the choice; another standard saved while the
    // run goes on is the next run's and renames nothing of this one.
    bool savedDuringRun = false;
    QObject::connect(&screen->run(), &FileEraserRun::progressChanged, screen.get(), [&](const QString&, double, const QString&) {
        if (std::exchange(savedDuringRun, true))
            return;
        EXPECT_EQ(platform::defaults::integerForKey(QStringLiteral("EraserTimesTag")), chosen);
        EXPECT_EQ(platform::defaults::integerForKey(QStringLiteral("EraserTimes")), erasureStandardPasses(chosen));
        standardchoice::storeErasureStandard(0);
    });
    screen->eraserNowButtonAction();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return !screen->run().isRunning() && screen->sussView()->pos() == QPoint(0, 0); }, 20000));
    ASSERT_TRUE(savedDuringRun);
    EXPECT_EQ(screen->eraserTypeLabel()->text(), erasureStandardLabel(chosen));
    const HistoryRecords records = DoDataBase::returnDoDataBase()->getAllData();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records.first().at(1).value("Erasure algorithm"), erasureStandardLabel(chosen));
    EXPECT_FALSE(QFile::exists(a));
}

// A pass count saved in the settings panel is the count the confirmation,
// the progress pane and the history record name, standard or not.
TEST_F(FileEraserScreenTest, ThePassCountSavedInThePanelIsTheOneEveryLabelNames)
{
    struct Case {
        QString level;
        QString label;
    };
    const QList<Case> cases{
        {"1", erasureStandardLabel(0)},  {"2", erasureStandardLabel(3)},  {"3", erasureStandardLabel(4)},
        {"7", erasureStandardLabel(6)},  {"35", erasureStandardLabel(7)},
        // Stored elsewhere; the panel ticks nothing and saves it back.
        {"5", QStringLiteral("自定义 (擦除5次)")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.level.toStdString());
        QFile::remove(DoDataBase::getDataBase());
        if (c.level == QLatin1String("5"))
            platform::defaults::setInteger(QStringLiteral("EraserTimes"), 5);
        QTest::mouseClick(screen->setButton(), Qt::LeftButton);
        ASSERT_NE(screen->setEraserLevelVC(), nullptr);
        if (LevelRadioButton* b = screen->setEraserLevelVC()->button(c.level))
            QTest::mouseClick(b, Qt::LeftButton);
        EXPECT_EQ(screen->setEraserLevelVC()->eraserLevel(), c.level);
        QTest::mouseClick(screen->setEraserLevelVC()->saveButton(), Qt::LeftButton);
        EXPECT_EQ(platform::defaults::integerForKey(QStringLiteral("EraserTimes")), c.level.toInt());

        const QString a = file(QStringLiteral("a%1.txt").arg(c.level), QByteArray(3000, 'a'));
        screen->viewDragAction({a});
        QString confirmed;
        screentest::whenDialogShown([&](StatusAttachedWindow* dialog) {
            auto* menu = dialog->findChild<StandardMenuButton*>();
            ASSERT_NE(menu, nullptr);
            for (QLabel* l : menu->findChildren<QLabel*>())
                confirmed = l->text();
            if (c.level == QLatin1String("5"))
                screentest::savePng(dialog, QStringLiteral("FileEraserViewController-confirm-pass-count"));
            TextImageButton* go = screentest::buttonTitled(dialog, QStringLiteral("继续"));
            ASSERT_NE(go, nullptr);
            QTest::mouseClick(go, Qt::LeftButton);
        });
        screen->eraserNowButtonAction();
        ASSERT_TRUE(nvtest::pumpUntil(
            [&] { return !screen->run().isRunning() && screen->sussView()->pos() == QPoint(0, 0); }, 20000));
        EXPECT_EQ(confirmed, c.label);
        EXPECT_EQ(screen->eraserTypeLabel()->text(), c.label);
        const HistoryRecords records = DoDataBase::returnDoDataBase()->getAllData();
        ASSERT_EQ(records.size(), 1);
        EXPECT_EQ(records.first().at(1).value("Erasure algorithm"), c.label);
        EXPECT_FALSE(QFile::exists(a));
        QTest::mouseClick(screen->sussViewOkBut(), Qt::LeftButton);
    }
}

// The confirmation's standards list closes 2 s after it opened unless the
// pointer entered it, on the drop-down clock the test holds.
TEST_F(FileEraserScreenTest, TheConfirmationsStandardsListClosesTwoSecondsAfterOpening)
{
    ManualDropDownClock clock;
    screen->viewDragAction({file("a.txt")});
    screentest::whenDialogShown([&](StatusAttachedWindow* dialog) {
        auto* menu = dialog->findChild<StandardMenuButton*>();
        ASSERT_NE(menu, nullptr);
        QTest::mouseClick(menu, Qt::LeftButton);
        ASSERT_NE(shownDropDown(), nullptr);
        clock.fake.advance(1999);
        EXPECT_NE(shownDropDown(), nullptr) << "closed before 2 s";
        clock.fake.advance(1);
        EXPECT_EQ(shownDropDown(), nullptr) << "still open at 2 s";

        // Entered in time: the timed close lets it be; leaving closes it.
        QTest::mouseClick(menu, Qt::LeftButton);
        MAAttachedWindow* list = shownDropDown();
        ASSERT_NE(list, nullptr);
        auto* tracking = list->findChild<toolkit::PointerTrackingView*>();
        ASSERT_NE(tracking, nullptr);
        QEnterEvent enter(QPointF(2, 2), tracking->mapToGlobal(QPointF(2, 2)), tracking->mapToGlobal(QPointF(2, 2)));
        QApplication::sendEvent(tracking, &enter);
        clock.fake.advance(5000);
        EXPECT_NE(shownDropDown(), nullptr);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(tracking, &leave);
        EXPECT_EQ(shownDropDown(), nullptr);
        TextImageButton* cancel = screentest::buttonTitled(dialog, QStringLiteral("取消"));
        ASSERT_NE(cancel, nullptr);
        QTest::mouseClick(cancel, Qt::LeftButton);
    });
    screen->eraserNowButtonAction();
    EXPECT_FALSE(screen->run().isRunning());
}

// Panes slide in 0.5 s, on a clock the test holds: the progress pane in from
// x = 730, a result pane likewise, and back from it to x = 729.
TEST_F(FileEraserScreenTest, PanesSlideInHalfASecond)
{
    const QString a = file("a.txt", QByteArray(2000, 'a'));
    screen->viewDragAction({a});
    HeldAnimations held;
    confirmNextRun();
    screen->eraserNowButtonAction();
    QWidget* progress = screen->progressView();
    QPropertyAnimation* slide = HeldAnimations::slideOf(progress);
    ASSERT_NE(slide, nullptr);
    EXPECT_EQ(slide->duration(), 500);
    EXPECT_EQ(progress->pos(), QPoint(toolkit::kToolWidth, 0));
    slide->setCurrentTime(250);
    EXPECT_GT(progress->x(), 0);
    EXPECT_LT(progress->x(), toolkit::kToolWidth);
    // The ease-in-out curve leaves the last pixels for the last moments.
    slide->setCurrentTime(480);
    EXPECT_GT(progress->x(), 0) << "arrived before 0.5 s";
    EXPECT_TRUE(screen->listView()->isVisible());
    slide->setCurrentTime(500);
    EXPECT_EQ(progress->pos(), QPoint(0, 0)) << "not there at 0.5 s";
    EXPECT_FALSE(screen->listView()->isVisible()) << "the list goes once the pane is in";

    // The run ends; its result pane slides in the same way, held as it starts.
    QWidget* pane = screen->sussView();
    QPointer<QPropertyAnimation> endSlide;
    QObject::connect(&screen->run(), &FileEraserRun::finished, screen.get(),
                     [&] { endSlide = HeldAnimations::slideOf(pane); });
    ASSERT_TRUE(nvtest::pumpUntil([&] { return !screen->deleteErrorArr().isEmpty(); }, 20000));
    ASSERT_NE(endSlide, nullptr);
    slide = endSlide;
    EXPECT_EQ(slide->duration(), 500);
    EXPECT_EQ(pane->pos(), QPoint(toolkit::kToolWidth, 0));
    slide->setCurrentTime(480);
    EXPECT_GT(pane->x(), 0);
    EXPECT_TRUE(progress->isVisible());
    slide->setCurrentTime(500);
    EXPECT_EQ(pane->pos(), QPoint(0, 0));
    EXPECT_FALSE(progress->isVisible());

    QTest::mouseClick(screen->sussViewOkBut(), Qt::LeftButton);
    slide = HeldAnimations::slideOf(pane);
    ASSERT_NE(slide, nullptr);
    EXPECT_EQ(slide->duration(), 500);
    slide->setCurrentTime(480);
    EXPECT_TRUE(pane->isVisible()) << "gone before 0.5 s";
    EXPECT_LT(pane->x(), toolkit::kToolWidth - 1);
    slide->setCurrentTime(500);
    EXPECT_FALSE(pane->isVisible());
    EXPECT_EQ(pane->pos(), QPoint(toolkit::kToolWidth, 0));
}
