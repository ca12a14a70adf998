// The erase-history panel over a real history database: loading, the
// outline, selection, delete and export of the run whose row was clicked,
// clear all, and the export through Qt's save dialog.
#include "ScreenTestSupport.h"

#include "tools/erasepanels/ErasureStandardChoice.h"
#include "tools/erasepanels/EUCustomOutlineView.h"
#include "tools/erasepanels/ExportViewController.h"
#include "toolkit/ToolArea.h"
#include "tools/erasepanels/HistoryExport.h"
#include "tools/erasepanels/HistoryTextFieldCell.h"
#include "tools/erasepanels/HistoryViewController.h"

#include "core/DoDataBase.h"
#include "core/ErasureStandards.h"
#include "platform/Defaults.h"
#include "toolkit/FilePickerPanel.h"
#include "toolkit/TextImageButton.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QStandardItemModel>
#include <QTest>
#include <sqlite3.h>

static ::testing::Environment* const kNoAnimations = ::testing::AddGlobalTestEnvironment(new screentest::NoAnimations);

namespace {

const QString kOld = QStringLiteral("2026-01-01 09-00-00");
const QString kVolume = QStringLiteral("2026-01-02 10-00-00");
const QString kNew = QStringLiteral("2026-01-03 11-00-00");
const QString kHostile = QStringLiteral("/tmp/<script>alert(1)</script>.txt");

FileObjPtr marked(const QString& url, const QString& mark)
{
    auto item = std::make_shared<FileObj>();
    item->setUrl(url);
    item->setFailStr(mark);
    return item;
}

QString readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// Types a name into the save panel, as a person would.
void typeName(FilePickerPanel* panel, const QString& folder, const QString& name)
{
    panel->setDirectory(folder);
    panel->nameEdit()->selectAll();
    QTest::keyClicks(panel->nameEdit(), name);
}

FilePickerPanel* shownSavePanel()
{
    return screentest::visibleTopLevel<FilePickerPanel>();
}

struct CloseSpy : HistoryVCDelegate {
    int closed = 0;
    void closeHistoryView() override { ++closed; }
};

class HistoryViewerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        store = DoDataBase::returnDoDataBase();
        QFile::remove(DoDataBase::getDataBase());
        platform::defaults::setInteger(QStringLiteral("EraserTimesTag"), 4);
        window.resize(960, 620);
        window.show();
    }
    void TearDown() override { store->setClock({}); }

    void writeThreeRuns()
    {
        store->setClock([] { return QDateTime(QDate(2026, 1, 1), QTime(9, 0, 0)); });
        store->writePlistForHistoryWithArr({marked("/home/u/old-a.txt", "擦除成功"), marked("/home/u/old-b", "擦除失败")});
        store->setClock([] { return QDateTime(QDate(2026, 1, 2), QTime(10, 0, 0)); });
        store->writeWipeVolumesOrFree(QStringLiteral("Data"), QStringLiteral("擦除成功"), false);
        store->setClock([] { return QDateTime(QDate(2026, 1, 3), QTime(11, 0, 0)); });
        store->writePlistForHistoryWithArr({marked(kHostile, "擦除成功")});
        store->setClock({});
    }

    // Shows the panel in a window of the tool area's size.
    void show(HistoryViewController& history)
    {
        history.view()->setParent(&window);
        history.view()->setGeometry(0, 0, toolkit::kToolWidth, toolkit::kToolHeight);
        history.view()->show();
        history.getEraserHistory();
        EXPECT_TRUE(nvtest::pumpUntil([&] { return !history.isLoading(); }));
    }

    // A click on the export (0) or delete (1) icon of a run row.
    void clickIcon(HistoryViewController& history, const QString& key, int which)
    {
        EUCustomOutlineView* outline = history.historyOutlineView();
        const QModelIndex run = history.indexOfRun(key);
        ASSERT_TRUE(run.isValid()) << key;
        const QRectF cell = outline->visualRect(run.sibling(run.row(), 2));
        const QRectF icon = which == 0 ? HistoryDeleteTextFieldCell::folderImageFrame(cell)
                                       : HistoryDeleteTextFieldCell::deleteImageFrame(cell);
        QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, icon.center().toPoint() + QPoint(1, 1));
    }

    void clickRow(HistoryViewController& history, const QModelIndex& index)
    {
        EUCustomOutlineView* outline = history.historyOutlineView();
        QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, outline->visualRect(index).center());
    }

    DoDataBase* store = nullptr;
    QWidget window;
};

// The panel shown over three runs written beforehand.
class HistoryOfThreeRuns : public HistoryViewerTest {
protected:
    void SetUp() override
    {
        HistoryViewerTest::SetUp();
        writeThreeRuns();
        show(history);
    }
    HistoryViewController history;
};

} // namespace

TEST_F(HistoryViewerTest, WithoutRecordsTheEmptyStateShows)
{
    HistoryViewController history;
    CloseSpy spy;
    history.setDelegate(&spy);
    show(history);
    EXPECT_FALSE(history.haveView()->isVisible());
    EXPECT_TRUE(history.noView()->isVisible());
    EXPECT_FALSE(history.emptyAllButton()->isDisabled());
    EXPECT_EQ(history.emptyAllButton()->textField()->text(), QStringLiteral("清空所有"));
    EXPECT_TRUE(history.noCloseButton()->isVisible());
    screentest::savePng(history.view(), QStringLiteral("HistoryViewController-empty"));
    QTest::mouseClick(history.noCloseButton(), Qt::LeftButton);
    EXPECT_EQ(spy.closed, 1);
}

TEST_F(HistoryViewerTest, RunsNewestFirstTheNewestOpenAndTheHeaderRowRelabelled)
{
    writeThreeRuns();
    HistoryViewController history;
    history.setTypeStr(QStringLiteral("WipeFile"));
    show(history);
    EXPECT_EQ(history.historyAllArr(), (QStringList{kNew, kVolume, kOld}));
    QStandardItemModel* model = history.model();
    ASSERT_EQ(model->rowCount(), 3);
    EXPECT_TRUE(history.historyOutlineView()->isExpanded(model->index(0, 0)));
    EXPECT_FALSE(history.historyOutlineView()->isExpanded(model->index(1, 0)));
    EXPECT_FALSE(history.historyOutlineView()->isExpanded(model->index(2, 0)));
    EXPECT_TRUE(history.emptyAllButton()->isDisabled());
    EXPECT_TRUE(history.haveView()->isVisible());

    // The volume wipe's run is there too.
    const QModelIndex volume = model->index(1, 0);
    EXPECT_EQ(model->index(1, 0, volume).data(historyroles::Title).toString(), QStringLiteral("磁盘擦除:Data"));

    const QModelIndex newest = model->index(0, 0);
    ASSERT_EQ(model->rowCount(newest), 2);
    EXPECT_EQ(model->index(0, 0, newest).data(historyroles::Title).toString(), QStringLiteral("项目"));
    EXPECT_EQ(model->index(0, 1, newest).data(historyroles::Title).toString(), QStringLiteral("擦除标准"));
    EXPECT_EQ(model->index(0, 2, newest).data(historyroles::Title).toString(), QStringLiteral("结果"));
    // A file name with markup stays text, and its tooltip is escaped.
    EXPECT_EQ(model->index(1, 0, newest).data(historyroles::Title).toString(), kHostile);
    EXPECT_EQ(model->index(1, 1, newest).data(historyroles::Title).toString(), erasureStandardLabel(4));
    EXPECT_TRUE(model->index(1, 0, newest).data(Qt::ToolTipRole).toString().contains(QStringLiteral("&lt;script&gt;")));
    screentest::savePng(history.view(), QStringLiteral("HistoryViewController"));

    // Selecting a run shows its icons on that row only.
    clickRow(history, model->index(2, 0));
    EXPECT_EQ(history.keyClickStr(), kOld);
    EXPECT_EQ(history.stateCell()->shownRunKey(), kOld);
    EXPECT_EQ(history.selectCellIndex(), 4);
    EXPECT_EQ(QModelIndex(history.historyOutlineView()->isSelectRow()), model->index(2, 0));
    screentest::savePng(history.view(), QStringLiteral("HistoryViewController-selected"));
    // An item row becomes the drawn row but leaves the run the icons act on.
    clickRow(history, model->index(1, 0, newest));
    EXPECT_EQ(history.keyClickStr(), kOld);
    EXPECT_EQ(QModelIndex(history.historyOutlineView()->isSelectRow()), model->index(1, 0, newest));
}

// The store is read on a worker and the records posted back: while another
// program holds the database's lock, the call that asks for them returns at
// once with the panel still loading; read on the window's thread, it would
// have waited out the store's busy time and found nothing.
TEST_F(HistoryViewerTest, RecordsAreReadAwayFromTheWindowsThreadAndPostedBack)
{
    writeThreeRuns();
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(DoDataBase::getDataBase()).constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE;", nullptr, nullptr, nullptr), SQLITE_OK);

    HistoryViewController history;
    history.view()->setParent(&window);
    history.view()->setGeometry(0, 0, toolkit::kToolWidth, toolkit::kToolHeight);
    history.view()->show();
    history.getEraserHistory();
    EXPECT_TRUE(history.isLoading());
    EXPECT_TRUE(history.historyAllArr().isEmpty());

    EXPECT_EQ(sqlite3_exec(other, "COMMIT;", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(other);
    EXPECT_TRUE(nvtest::pumpUntil([&] { return !history.isLoading(); }));
    EXPECT_EQ(history.historyAllArr(), (QStringList{kNew, kVolume, kOld}));
}

TEST_F(HistoryOfThreeRuns, DeleteActsOnTheClickedRunAfterExpandCollapseAndReload)
{
    QStandardItemModel* model = history.model();
    EUCustomOutlineView* outline = history.historyOutlineView();

    clickRow(history, history.indexOfRun(kVolume));
    ASSERT_EQ(history.keyClickStr(), kVolume);
    // Rows move: the newest run closes, the oldest opens, the panel reloads.
    outline->collapse(model->index(0, 0));
    outline->expand(history.indexOfRun(kOld));
    history.getEraserHistory();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return !history.isLoading(); }));
    EXPECT_EQ(history.keyClickStr(), kVolume) << "the selection survives a reload";
    outline->expand(history.indexOfRun(kOld));
    outline->collapse(model->index(0, 0));

    // A click where the icons would be on another run only selects that row.
    clickIcon(history, kOld, 1);
    nvtest::pump(50);
    EXPECT_EQ(store->getAllData().size(), 3);
    EXPECT_EQ(history.keyClickStr(), kOld);

    clickRow(history, history.indexOfRun(kVolume));
    nvtest::pump(250);
    clickIcon(history, kVolume, 1);
    ASSERT_TRUE(nvtest::pumpUntil([&] { return history.historyAllArr().size() == 2; }, 2000));
    const HistoryRecords left = store->getAllData();
    EXPECT_TRUE(left.contains(kNew));
    EXPECT_TRUE(left.contains(kOld));
    EXPECT_FALSE(left.contains(kVolume));
    EXPECT_EQ(history.historyAllArr(), (QStringList{kNew, kOld}));
    EXPECT_EQ(model->rowCount(), 2);
    EXPECT_TRUE(history.keyClickStr().isEmpty());
}

TEST_F(HistoryOfThreeRuns, ASecondIconClickWithinAFifthOfASecondIsIgnored)
{
    QStringList exported;
    history.setSavePanel([&](QWidget*, const QString&) {
        exported << QStringLiteral("asked");
        return QString();
    });
    clickRow(history, history.indexOfRun(kOld));
    const QModelIndex run = history.indexOfRun(kOld);
    const QRectF cell = history.historyOutlineView()->visualRect(run.sibling(run.row(), 2));
    const QPointF onExport = HistoryDeleteTextFieldCell::folderImageFrame(cell).center();
    EXPECT_TRUE(history.stateCell()->hitTestForEvent(onExport, cell, run.sibling(run.row(), 2)));
    EXPECT_FALSE(history.stateCell()->hitTestForEvent(onExport, cell, run.sibling(run.row(), 2)));
    nvtest::pump(250);
    EXPECT_TRUE(history.stateCell()->hitTestForEvent(onExport, cell, run.sibling(run.row(), 2)));
    EXPECT_TRUE(nvtest::pumpUntil([&] { return exported.size() == 2; }, 2000));
    // Outside both icons nothing happens.
    nvtest::pump(250);
    EXPECT_FALSE(history.stateCell()->hitTestForEvent(cell.topLeft() + QPointF(90, 5), cell, run.sibling(run.row(), 2)));
}

TEST_F(HistoryOfThreeRuns, ExportWritesTheClickedRunEscapedWithTheSuffix)
{
    const QString folder = nvtest::freshFolder(QStringLiteral("export"));
    QString proposed;
    history.setSavePanel([&](QWidget*, const QString& name) {
        proposed = name;
        return folder + QStringLiteral("/report");
    });
    QList<std::tuple<bool, QString, QString>> notices;
    history.setExportNotice([&](bool ok, const QString& path, const QString& reason) { notices << std::make_tuple(ok, path, reason); });

    clickRow(history, history.indexOfRun(kNew));
    clickIcon(history, kNew, 0);
    ASSERT_TRUE(nvtest::pumpUntil([&] { return !notices.isEmpty(); }, 3000));
    EXPECT_TRUE(proposed.startsWith(QStringLiteral("擦除历史(")));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^擦除历史\\(\\d{4}-\\d\\d-\\d\\d \\d\\d-\\d\\d-\\d\\d\\)$")).match(proposed).hasMatch())
        << proposed;
    EXPECT_TRUE(std::get<0>(notices.first()));
    EXPECT_EQ(std::get<1>(notices.first()), folder + QStringLiteral("/report.html"));
    const QString page = readAll(folder + QStringLiteral("/report.html"));
    EXPECT_TRUE(page.contains(QStringLiteral("<th colspan=\"3\">%1</th>").arg(kNew)));
    EXPECT_TRUE(page.contains(QStringLiteral("&lt;script&gt;alert(1)&lt;/script&gt;.txt")));
    EXPECT_FALSE(page.contains(QStringLiteral("<script>")));
    EXPECT_FALSE(page.contains(QStringLiteral("old-a.txt")));

    // A write that cannot happen is reported as a failure.
    history.setSavePanel([&](QWidget*, const QString&) { return folder + QStringLiteral("/missing/folder/x.html"); });
    EXPECT_FALSE(history.exportRun(kOld));
    ASSERT_EQ(notices.size(), 2);
    EXPECT_FALSE(std::get<0>(notices.last()));
    EXPECT_FALSE(std::get<2>(notices.last()).isEmpty());
    // Cancelling the save panel writes nothing and shows nothing.
    history.setSavePanel([&](QWidget*, const QString&) { return QString(); });
    EXPECT_FALSE(history.exportRun(kOld));
    EXPECT_EQ(notices.size(), 2);
}

TEST_F(HistoryOfThreeRuns, TheSaveDialogAsksBeforeReplacingAndTheNoticeTellsTheOutcome)
{
    const QString folder = nvtest::freshFolder(QStringLiteral("dialog"));
    const QString target = folder + QStringLiteral("/existing.html");
    ASSERT_TRUE(nvtest::writeFile(target, "keep"));

    ASSERT_TRUE(nvtest::writeFile(folder + QStringLiteral("/notes.txt"), "n"));
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/reports")));

    // The application's own panel, not Qt's stock dialog: the proposed name,
    // the folders and pages only. Refusing the replacement keeps it open and
    // leaves the file alone.
    QString asked;
    screentest::whenShown<FilePickerPanel>(shownSavePanel, [&](FilePickerPanel* panel) {
        EXPECT_EQ(screentest::visibleTopLevel<QFileDialog>(), nullptr);
        EXPECT_EQ(panel->kind(), FilePickerPanel::Kind::Save);
        EXPECT_EQ(panel->windowTitle(), QStringLiteral("导出擦除历史"));
        EXPECT_EQ(panel->prompt(), QStringLiteral("保存"));
        EXPECT_TRUE(panel->fileName().startsWith(QStringLiteral("擦除历史("))) << panel->fileName();
        typeName(panel, folder, QStringLiteral("existing"));
        QFileSystemModel* files = panel->fileModel();
        ASSERT_TRUE(nvtest::pumpUntil([&] { return files->rowCount(files->index(folder)) == 2; }, 5000));
        EXPECT_TRUE(files->index(folder + QStringLiteral("/reports")).isValid());
        nvtest::pump(50);
        screentest::savePng(panel, QStringLiteral("HistoryExport-save-dialog"));
        screentest::answerNextMessageBox(QStringLiteral("HistoryExport-replace-question"), QMessageBox::No,
                                         [&](const QString& text) { asked = text; });
        QTest::mouseClick(panel->addButton(), Qt::LeftButton);
        EXPECT_TRUE(panel->isVisible()) << "the panel closed although the replacement was refused";
        QTest::mouseClick(panel->cancelButton(), Qt::LeftButton);
    });
    EXPECT_FALSE(history.exportRun(kOld));
    EXPECT_TRUE(asked.contains(QStringLiteral("existing.html"))) << asked;
    EXPECT_EQ(readAll(target), QStringLiteral("keep"));

    // Agreeing replaces it; the notice says where the page went.
    screentest::whenShown<FilePickerPanel>(shownSavePanel, [&](FilePickerPanel* panel) {
        typeName(panel, folder, QStringLiteral("existing"));
        screentest::answerNextMessageBox(QString(), QMessageBox::Yes);
        QTest::mouseClick(panel->addButton(), Qt::LeftButton);
    });
    QString noticeText;
    screentest::whenDialogShown([&](StatusAttachedWindow* window) {
        screentest::savePng(window, QStringLiteral("ExportViewController"));
        for (QLabel* label : window->findChildren<QLabel*>())
            noticeText += label->text() + QLatin1Char('\n');
        auto* close = window->findChildren<TextImageButton*>().value(0);
        ASSERT_NE(close, nullptr);
        QTest::mouseClick(close, Qt::LeftButton);
    });
    EXPECT_TRUE(history.exportRun(kOld));
    EXPECT_TRUE(readAll(target).contains(QStringLiteral("/home/u/old-b")));
    EXPECT_TRUE(noticeText.contains(QStringLiteral("擦除历史已导出"))) << noticeText;
    EXPECT_TRUE(noticeText.contains(target)) << noticeText;

    // A failed write is said so.
    history.setSavePanel([&](QWidget*, const QString&) { return folder + QStringLiteral("/gone/x"); });
    noticeText.clear();
    screentest::whenDialogShown([&](StatusAttachedWindow* window) {
        screentest::savePng(window, QStringLiteral("ExportViewController-failed"));
        for (QLabel* label : window->findChildren<QLabel*>())
            noticeText += label->text() + QLatin1Char('\n');
        window->findChildren<TextImageButton*>().value(0)->click();
    });
    EXPECT_FALSE(history.exportRun(kOld));
    EXPECT_TRUE(noticeText.contains(QStringLiteral("导出失败"))) << noticeText;
}

// "Peter Gutmann's algorithm 35 (擦除35次)" is wider than the standard's
// column: its name gives way, its count shows whole; the tooltip and the
// exported page keep the whole label.
TEST_F(HistoryViewerTest, TheStandardsColumnShortensTheNameNeverThePassCount)
{
    const QString gutmann = erasureStandardLabel(7);
    standardchoice::storeErasureStandard(7);
    store->writePlistForHistoryWithArr({marked("/home/u/report.doc", "擦除成功")});
    HistoryViewController history;
    show(history);
    const QModelIndex type = history.model()->index(1, 1, history.model()->index(0, 0));
    QStyleOptionViewItem option;
    option.rect = history.historyOutlineView()->visualRect(type);
    auto* cell = qobject_cast<HistoryTextFieldCell*>(history.historyOutlineView()->itemDelegateForColumn(1));
    const QString shown = cell->shownTitle(option, type);
    EXPECT_TRUE(shown.startsWith("Peter Gutmann") && shown.endsWith("… (擦除35次)")) << shown.toStdString();
    screentest::savePng(history.view(), QStringLiteral("HistoryViewController-long-standard"));
    EXPECT_TRUE(type.data(Qt::ToolTipRole).toString().contains(gutmann));
    const QString key = history.historyAllArr().value(0);
    EXPECT_TRUE(historyexport::historyHtmlPage(key, store->getAllData().value(key)).contains("<td>" + gutmann + "</td>"));
}

TEST_F(HistoryViewerTest, ClearAllEmptiesTheStoreAndClosesThePanel)
{
    writeThreeRuns();
    HistoryViewController history;
    CloseSpy spy;
    history.setDelegate(&spy);
    show(history);
    QTest::mouseClick(history.emptyAllButton(), Qt::LeftButton);
    ASSERT_TRUE(nvtest::pumpUntil([&] { return spy.closed == 1; }));
    EXPECT_TRUE(store->getAllData().isEmpty());
    EXPECT_FALSE(history.emptyAllButton()->isDisabled());
    EXPECT_TRUE(history.noView()->isVisible());
    EXPECT_EQ(history.model()->rowCount(), 0);
}
