// The Browser Cleaner tab driven as a person drives it, over fixture homes
// with the Linux layouts and a process list faked at the platform boundary:
// scan, the lists and their ticks, closing running browsers (agreed,
// refused, one that will not quit), the clean, the panels and the ways back,
// the dialogs, and the drawing classes' geometry. Every panel and dialog is
// saved as a picture.
#include "BrowserFixture.h"
#include "FakeProcessList.h"
#include "ScreenTestSupport.h"

#include "tools/inter/APFSScanViewController.h"
#include "tools/inter/BroTableView.h"
#include "tools/inter/CloseBrowerViewController.h"
#include "tools/inter/FullDiskAccessViewController.h"
#include "tools/inter/InternetViewController.h"
#include "tools/inter/RunningBrowsers.h"

#include "toolkit/EUHandButton.h"
#include "toolkit/RightBgView.h"
#include "toolkit/TCImageButton.h"
#include "toolkit/TextImageButton.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QFileInfo>
#include <QLabel>
#include <QPainter>
#include <csignal>
#include <sqlite3.h>

using namespace fx;
using Panel = InternetViewController::Panel;

static ::testing::Environment* const kNoAnimations = ::testing::AddGlobalTestEnvironment(new screentest::NoAnimations);

namespace {

using FakeProcesses = nvtest::FakeProcessList;

// A home with Google Chrome (deb), Firefox ESR (deb) and Opera, with data.
struct ScreenHome : Home {
    QString chrome = home(QStringLiteral(".config/google-chrome/Default"));
    QString opera = home(QStringLiteral(".config/opera"));
    QString firefox;
    ScreenHome()
    {
        app(QStringLiteral("Google Chrome"));
        app(QStringLiteral("Firefox ESR"));
        app(QStringLiteral("Opera"));
        chromeHistory(chrome + QStringLiteral("/History"), 12, 3);
        chromeCookies(chrome + QStringLiteral("/Cookies"), 4);
        chromeLoginData(chrome + QStringLiteral("/Login Data"), 2);
        nvtest::writeFile(home(QStringLiteral(".cache/google-chrome/Default/Cache/data_1")), QByteArray(250000, 'c'));
        chromeHistory(opera + QStringLiteral("/History"), 5, 1);
        firefox = firefoxProfilesIni(home(QStringLiteral(".config/mozilla/firefox")));
        firefoxProfile(firefox, 8, 2, 3);
    }
};

class InternetScreenTest : public ::testing::Test {
protected:
    ScreenHome home;
    FakeProcesses processes;
    InternetViewController screen;

    void SetUp() override
    {
        screen.setProcessList(&processes);
        screen.closer()->setTimeouts(300, 20);
        screen.view()->show();
    }
    void TearDown() override { screen.view()->hide(); }

    void scan()
    {
        screen.checkOpenBrower();
        ASSERT_TRUE(nvtest::pumpUntil([&] { return screen.currentPanel() == Panel::Result; }, 10000));
    }
    BrowerObjPtr browser(const QString& name)
    {
        for (const BrowerObjPtr& b : screen.engine().browserArr) {
            if (b->name == name)
                return b;
        }
        return nullptr;
    }
    BrowerObjPtr item(const QString& browserName, const QString& kind)
    {
        const BrowerObjPtr b = browser(browserName);
        for (const BrowerObjPtr& i : b ? b->chrArr : QList<BrowerObjPtr>()) {
            if (i->name == kind)
                return i;
        }
        return nullptr;
    }
    // Clicks the tick box of `row` in a list.
    void tick(BroTableView* list, int row) { list->clickAt(list->frameOfCell(0, row).center()); }
    // Answers the close question the next time it shows.
    void answerClose(bool close, const QString& png = QString())
    {
        screentest::whenDialogShown([this, close, png](StatusAttachedWindow* window) {
            if (!png.isEmpty())
                screentest::savePng(window, png);
            if (close)
                screen.closeBroVC()->closeButton()->click();
            else
                screen.closeBroVC()->cancelButton()->click();
        });
    }
    // Presses "清理" with nothing to close and waits for the end panel.
    void clean()
    {
        screen.cleanButtonAction();
        ASSERT_TRUE(nvtest::pumpUntil([&] { return screen.currentPanel() == Panel::End; }, 10000));
    }
    // The toolkit keeps the usable flag under the system's inverted name.
    bool cleanButtonEnabled() const { return screen.panes().cleanButton->isDisabled(); }
};

} // namespace

TEST_F(InternetScreenTest, ScanFillsBothListsAndEveryPanelIsDrawn)
{
    screentest::savePng(screen.view(), QStringLiteral("internet-1-start"));
    EXPECT_EQ(screen.currentPanel(), Panel::Start);
    EXPECT_EQ(screen.panes().scanButton->geometry(), QRect(64, 580 - 200 - 32, 120, 32));

    // The loading panel as it shows while the worker measures.
    screen.panes().scanNodeView->hide();
    screen.panes().loadAnView->show();
    screen.panes().loadAnView->raise();
    screentest::savePng(screen.view(), QStringLiteral("internet-2-loading"));
    screen.panes().loadAnView->hide();
    screen.panes().scanNodeView->show();

    scan();
    EXPECT_TRUE(screen.panes().loadAnView->isHidden());
    EXPECT_TRUE(screen.panes().loadBgView->isHidden());
    EXPECT_EQ(screen.panes().detailBGView->pos(), QPoint(0, 0));
    ASSERT_EQ(screen.panes().leftTableView->numberOfRows(), 3);
    EXPECT_EQ(screen.panes().leftTableView->rowNum(), 0);
    EXPECT_EQ(screen.panes().rightTableView->rowNum(), -1);
    EXPECT_EQ(screen.panes().nameLabel->text(), QStringLiteral("Firefox ESR"));
    EXPECT_EQ(screen.panes().rightTableView->numberOfRows(), 6);
    EXPECT_EQ(item(QStringLiteral("Google Chrome"), QStringLiteral("Browsing History"))->size, QStringLiteral("12 项"));
    EXPECT_EQ(item(QStringLiteral("Firefox ESR"), QStringLiteral("Save Password"))->size, QStringLiteral("3 项"));
    EXPECT_TRUE(cleanButtonEnabled());

    // A browser chosen on the left shows its items on the right.
    const QRectF chromeRow = screen.panes().leftTableView->frameOfCell(1, 1);
    screen.panes().leftTableView->clickAt(chromeRow.center());
    EXPECT_EQ(screen.broSelectIndex(), 1);
    EXPECT_EQ(screen.panes().nameLabel->text(), QStringLiteral("Google Chrome"));
    screentest::savePng(screen.view(), QStringLiteral("internet-3-result"));
    EXPECT_TRUE(processes.signalled.isEmpty());
}

TEST_F(InternetScreenTest, TicksAreThreeStateAndAClickBelowTheRowsChangesNothing)
{
    scan();
    BroTableView* left = screen.panes().leftTableView;
    BroTableView* right = screen.panes().rightTableView;
    const BrowerObjPtr ff = browser(QStringLiteral("Firefox ESR"));
    tick(right, 0);   // one of six items
    EXPECT_EQ(ff->isSelect, 2);
    screentest::savePng(screen.view(), QStringLiteral("internet-4-partly-ticked"));
    tick(left, 0);    // partly → all
    EXPECT_EQ(ff->isSelect, 1);
    for (const BrowerObjPtr& b : screen.engine().browserArr)
        tick(left, int(screen.engine().browserArr.indexOf(b)));
    for (const BrowerObjPtr& b : screen.engine().browserArr)
        EXPECT_EQ(b->isSelect, 0) << b->name;
    EXPECT_FALSE(cleanButtonEnabled());

    const int rows = right->numberOfRows();
    right->clickAt(QPointF(20, rows * right->rowHeight() + 5));
    left->clickAt(QPointF(20, left->numberOfRows() * left->rowHeight() + 5));
    EXPECT_EQ(right->clickedRow(), -1);
    EXPECT_EQ(screen.broSelectIndex(), 0);
    EXPECT_EQ(ff->isSelect, 0);
    EXPECT_FALSE(cleanButtonEnabled());
}

TEST_F(InternetScreenTest, CleanWithNothingRunningEmptiesWhatIsTickedAndShowsTheEnd)
{
    scan();
    // Opera unticked; Firefox ESR without its caches.
    tick(screen.panes().leftTableView, 2);
    item(QStringLiteral("Firefox ESR"), QStringLiteral("Caches"))->isSelect = 0;
    clean();
    screentest::savePng(screen.view(), QStringLiteral("internet-5-end"));
    EXPECT_EQ(rows(home.chrome + QStringLiteral("/History"), "urls"), 0);
    EXPECT_EQ(rows(home.firefox + QStringLiteral("/places.sqlite"), "moz_historyvisits"), 0);
    EXPECT_EQ(rows(home.opera + QStringLiteral("/History"), "urls"), 5);
    EXPECT_FALSE(QFileInfo::exists(home.home(QStringLiteral(".cache/google-chrome"))));
    for (const BrowerObjPtr& b : screen.engine().browserArr)
        EXPECT_EQ(b->isSelect, 0) << b->name;
    EXPECT_FALSE(cleanButtonEnabled());
    EXPECT_EQ(item(QStringLiteral("Google Chrome"), QStringLiteral("Browsing History"))->size, QStringLiteral("0 项"));

    // "好" leads back to the start; so does the end panel's back button.
    screen.panes().cleanEndOkBut->click();
    EXPECT_EQ(screen.currentPanel(), Panel::Start);
    EXPECT_EQ(screen.panes().detailBGView->pos(), QPoint(730, 0));
    EXPECT_EQ(screen.panes().cleanEndView->pos(), QPoint(730, 0));
    EXPECT_TRUE(screen.panes().scanNodeView->isVisible());
}

// The clean works on a worker: while a database is held, the window goes on
// and the screen refuses a second clean; once it is let go the clean ends.
TEST_F(InternetScreenTest, TheCleanRunsOnAWorkerAndTheScreenWaitsForIt)
{
    scan();
    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(home.chrome + QStringLiteral("/History")).constData(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    screen.cleanButtonAction();
    EXPECT_EQ(screen.currentPanel(), Panel::Result);
    EXPECT_FALSE(cleanButtonEnabled());
    EXPECT_FALSE(screen.panes().backHomeButton->isDisabled());   // (inverted name) the way back is closed
    screen.cleanButtonAction();   // refused while the first runs
    nvtest::pump(100);
    EXPECT_EQ(screen.currentPanel(), Panel::Result);
    sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(holder);
    ASSERT_TRUE(nvtest::pumpUntil([&] { return screen.currentPanel() == Panel::End; }, 10000));
    EXPECT_EQ(rows(home.chrome + QStringLiteral("/History"), "urls"), 0);
    EXPECT_EQ(item(QStringLiteral("Google Chrome"), QStringLiteral("Browsing History"))->size, QStringLiteral("0 项"));
    EXPECT_TRUE(screen.panes().scanButton->isDisabled());   // usable again
}

TEST_F(InternetScreenTest, ScanClosesRunningBrowsersOnlyWhenTheUserAgrees)
{
    processes.add(500, "chrome");
    processes.add(501, "chrome", 500);   // a helper of Chrome's, never signalled itself
    processes.add(600, "bash");
    {
        nvtest::ExpectDialogs expect;
        answerClose(false, QStringLiteral("internet-6-close-question"));
        screen.checkOpenBrower();
    }
    EXPECT_EQ(screen.currentPanel(), Panel::Start);
    EXPECT_TRUE(processes.signalled.isEmpty());
    ASSERT_EQ(screen.allOpenId().size(), 1);
    EXPECT_EQ(screen.allOpenId()[0].pid, 500);

    {
        nvtest::ExpectDialogs expect;
        answerClose(true);
        screen.checkOpenBrower();
        ASSERT_TRUE(nvtest::pumpUntil([&] { return screen.currentPanel() == Panel::Result; }, 10000));
    }
    EXPECT_EQ(processes.signalled, (QList<std::pair<qint64, int>>{{500, SIGTERM}}));
}

TEST_F(InternetScreenTest, CleanClosesTheTickedRunningBrowserWaitsAndCleans)
{
    scan();
    processes.add(700, "firefox-esr");
    {
        nvtest::ExpectDialogs expect;
        answerClose(true);
        screen.cleanButtonAction();
        ASSERT_TRUE(nvtest::pumpUntil([&] { return screen.currentPanel() == Panel::End; }, 5000));
    }
    EXPECT_EQ(processes.signalled, (QList<std::pair<qint64, int>>{{700, SIGTERM}}));
    EXPECT_EQ(rows(home.firefox + QStringLiteral("/places.sqlite"), "moz_historyvisits"), 0);
    EXPECT_EQ(rows(home.chrome + QStringLiteral("/History"), "urls"), 0);
}

TEST_F(InternetScreenTest, CancellingTheCloseCleansNothingAndKeepsTheButton)
{
    scan();
    processes.add(700, "firefox-esr");
    {
        nvtest::ExpectDialogs expect;
        answerClose(false);
        screen.cleanButtonAction();
    }
    EXPECT_EQ(screen.currentPanel(), Panel::Result);
    EXPECT_TRUE(processes.signalled.isEmpty());
    EXPECT_EQ(rows(home.chrome + QStringLiteral("/History"), "urls"), 12);
    EXPECT_TRUE(cleanButtonEnabled());
}

TEST_F(InternetScreenTest, ABrowserThatIgnoresSigtermIsLeftUncleanedAndTheOthersAreCleaned)
{
    scan();
    processes.add(800, "chrome");
    processes.stubborn = {800};
    {
        nvtest::ExpectDialogs expect;
        answerClose(true);
        screen.cleanButtonAction();
        EXPECT_TRUE(screen.closer()->isWaiting());
        EXPECT_FALSE(cleanButtonEnabled());   // no second clean while waiting
        ASSERT_TRUE(nvtest::pumpUntil([&] { return screen.currentPanel() == Panel::End; }, 5000));
    }
    EXPECT_EQ(processes.signalled, (QList<std::pair<qint64, int>>{{800, SIGTERM}}));
    // Chrome kept its data, its measured sizes and its ticks.
    EXPECT_EQ(rows(home.chrome + QStringLiteral("/History"), "urls"), 12);
    EXPECT_EQ(item(QStringLiteral("Google Chrome"), QStringLiteral("Browsing History"))->size, QStringLiteral("12 项"));
    EXPECT_EQ(browser(QStringLiteral("Google Chrome"))->isSelect, 1);
    EXPECT_EQ(rows(home.firefox + QStringLiteral("/places.sqlite"), "moz_historyvisits"), 0);
}

TEST_F(InternetScreenTest, AnUnselectedRunningBrowserIsLeftAloneWithoutAQuestion)
{
    scan();
    processes.add(900, "opera");
    tick(screen.panes().leftTableView, 2);   // Opera unticked
    ASSERT_EQ(browser(QStringLiteral("Opera"))->isSelect, 0);
    clean();   // a dialog here would fail the test
    EXPECT_TRUE(processes.signalled.isEmpty());
    EXPECT_EQ(rows(home.opera + QStringLiteral("/History"), "urls"), 5);
}

TEST_F(InternetScreenTest, BackFromTheResultLeadsToTheStartAndAScanBuildsTheTreeAnew)
{
    scan();
    const BrowerObjPtr before = browser(QStringLiteral("Opera"));
    screen.panes().backHomeButton->click();
    EXPECT_EQ(screen.currentPanel(), Panel::Start);
    EXPECT_EQ(screen.panes().detailBGView->pos(), QPoint(730, 0));
    EXPECT_TRUE(screen.panes().scanNodeView->isVisible());
    scan();
    EXPECT_NE(browser(QStringLiteral("Opera")), before);
}

TEST_F(InternetScreenTest, NoBrowserFoundLeavesEmptyListsAndNoCleanButton)
{
    QDir(home.root).removeRecursively();
    scan();
    EXPECT_EQ(screen.panes().leftTableView->numberOfRows(), 0);
    EXPECT_EQ(screen.panes().rightTableView->numberOfRows(), 0);
    EXPECT_FALSE(cleanButtonEnabled());
    EXPECT_EQ(screen.panes().nameLabel->text(), QStringLiteral("没有找到浏览器"));
    screentest::savePng(screen.view(), QStringLiteral("internet-7-nothing-found"));
}

TEST_F(InternetScreenTest, SafariNoticeDuringEveryCleanAndTheAccessNotice)
{
    home.app(QStringLiteral("Safari"));   // reachable from fixtures only
    // The notice of shielded data shows before the scan when the platform says so.
    screen.setAccessCheck([] { return 0; });
    {
        nvtest::ExpectDialogs expect;
        screentest::whenDialogShown([](StatusAttachedWindow* w) {
            screentest::savePng(w, QStringLiteral("internet-8-full-disk-access"));
            w->close();
        });
        scan();
    }
    EXPECT_EQ(screen.getAuthorizationStatus(), 0);
    screen.setAccessCheck({});
    EXPECT_EQ(screen.getAuthorizationStatus(), 2);   // Linux: never shielded

    // No writable Safari folder: the notice for the Safari node, the rest cleaned.
    ASSERT_TRUE(browser(QStringLiteral("Safari")));
    {
        nvtest::ExpectDialogs expect;
        screentest::whenDialogShown([this](StatusAttachedWindow* w) {
            screentest::savePng(w, QStringLiteral("internet-9-safari-not-writable"));
            screen.apfsScanVC()->okButton()->click();
        });
        screen.cleanButtonAction();
        ASSERT_TRUE(nvtest::pumpUntil([&] { return screen.currentPanel() == Panel::End; }, 5000));
    }
    EXPECT_EQ(rows(home.chrome + QStringLiteral("/History"), "urls"), 0);
}

// The menus name browsers differently from their processes: Ubuntu's entry
// is "Firefox Web Browser", Chrome Beta's "Google Chrome (beta)"; running,
// each is still asked to close, and one that stays keeps its data.
TEST(InternetScreenRunning, ARunningBrowserIsKnownByItsKindWhateverItsMenuCallsIt)
{
    Home home;
    home.app(QStringLiteral("Firefox Web Browser"));
    home.app(QStringLiteral("Google Chrome (beta)"));
    const QString chrome = home.home(QStringLiteral(".config/google-chrome/Default"));
    chromeHistory(chrome + QStringLiteral("/History"), 12, 3);
    const QString firefox = firefoxProfilesIni(home.home(QStringLiteral(".config/mozilla/firefox")));
    firefoxProfile(firefox, 8, 2, 3);

    FakeProcesses processes;
    InternetViewController screen;
    screen.setProcessList(&processes);
    screen.closer()->setTimeouts(300, 20);
    screen.view()->show();
    screen.checkOpenBrower();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return screen.currentPanel() == Panel::Result; }, 10000));
    ASSERT_EQ(screen.engine().browserArr.size(), 2);

    processes.add(700, "firefox");
    processes.add(800, "chrome");
    processes.stubborn = {800};
    {
        nvtest::ExpectDialogs expect;
        screentest::whenDialogShown([&](StatusAttachedWindow*) { screen.closeBroVC()->closeButton()->click(); });
        screen.cleanButtonAction();
        ASSERT_TRUE(nvtest::pumpUntil([&] { return screen.currentPanel() == Panel::End; }, 5000));
    }
    EXPECT_EQ(processes.signalled, (QList<std::pair<qint64, int>>{{700, SIGTERM}, {800, SIGTERM}}));
    EXPECT_EQ(rows(chrome + QStringLiteral("/History"), "urls"), 12);
    EXPECT_EQ(rows(firefox + QStringLiteral("/places.sqlite"), "moz_historyvisits"), 0);
    screen.view()->hide();
}

// --- Dialogs on their own -------------------------------------------------------

TEST(InternetDialogs, ButtonsTitlesAndActions)
{
    struct Delegate : CloseBrowerVCDelegate {
        int agreed = 0;
        void closeBrowerButtonAction() override { ++agreed; }
    } delegate;
    CloseBrowerViewController close;
    close.setDelegate(&delegate);
    EXPECT_EQ(close.cancelButton()->textField()->text(), QStringLiteral("取消"));
    EXPECT_EQ(close.closeButton()->textField()->text(), QStringLiteral("关闭"));
    close.cancelButton()->click();   // no host window yet: nothing happens
    EXPECT_EQ(delegate.agreed, 0);
    close.closeButton()->click();
    EXPECT_EQ(delegate.agreed, 1);
    screentest::savePng(close.view(), QStringLiteral("dialog-close-browsers"));

    FullDiskAccessViewController access;
    QList<QUrl> opened;
    access.setUrlOpener([&](const QUrl& u) { opened << u; });
    access.openSetView();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0].toString(),
              QStringLiteral("x-apple.systempreferences:com.apple.preference.security?Privacy_AllFiles"));
    screentest::savePng(access.view(), QStringLiteral("dialog-full-disk-access"));

    APFSScanViewController apfs;
    apfs.setUrlOpener([&](const QUrl& u) { opened << u; });
    apfs.linkButton()->click();
    EXPECT_TRUE(opened.last().path().endsWith(QStringLiteral("/articles/disable-SIP-on-mac.html")));
    EXPECT_EQ(apfs.okButton()->textField()->text(), QStringLiteral("好"));
    screentest::savePng(apfs.view(), QStringLiteral("dialog-safari-not-writable"));
}

// --- Drawing classes -------------------------------------------------------------

TEST(BrowserListDrawing, CellGeometryAndRowFills)
{
    BrowerImageAndTextCell name;
    name.setImage(QIcon(QPixmap(32, 32)), 32);
    name.setIconSize(32, 32);
    name.setTitle(QStringLiteral("Google Chrome"), 160, false, false);
    const QRectF row(40, 80, 200, 40);
    EXPECT_EQ(name.titleRectForCellFrame(row), QRectF(88, 90, 160, 18));
    EXPECT_EQ(name.iconRectForCellFrame(row, true), QRectF(49, 84, 32, 32));   // 4 from the top
    EXPECT_EQ(name.iconRectForCellFrame(row, false), QRectF(49, 52, 32, 32));
    EXPECT_EQ(name.imageFrameForCellFrame(row), QRectF(43, 84, 32, 32));
    EXPECT_EQ(name.cellSize(QSizeF(100, 40)), QSizeF(135, 40));

    BrowerImageAndTextCell size;
    size.setTitle(QStringLiteral("12 项"), 100, true, true);
    EXPECT_EQ(size.titleRectForCellFrame(QRectF(0, 0, 110, 44)), QRectF(10, 13, 100, 18));
    EXPECT_EQ(size.imageFrameForCellFrame(QRectF(0, 0, 110, 44)), QRectF());
    EXPECT_EQ(size.cellSize(QSizeF(100, 40)), QSizeF(103, 40));

    // A small image leaves the title near the edge.
    BrowerImageAndTextCell small;
    small.setImage(QIcon(QPixmap(16, 16)), 16);
    small.setTitle(QStringLiteral("x"), 50, false, false);
    EXPECT_EQ(small.titleRectForCellFrame(row).x(), 50);

    // The size style draws white at 0.6, right-aligned.
    QImage image(110, 40, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        size.drawWithFrame(painter, QRectF(0, 0, 110, 40));
    }
    int brightest = 0, leftmost = 110;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 110; ++x) {
            const int v = qGray(image.pixel(x, y));
            brightest = qMax(brightest, v);
            if (v > 40)
                leftmost = qMin(leftmost, x);
        }
    }
    EXPECT_NEAR(brightest, 153, 12);   // 255 × 0.6
    EXPECT_GT(leftmost, 60);           // pushed to the right end of its box

    BroTableView table;
    table.resize(200, 120);
    table.setRowNum(1);
    EXPECT_EQ(table.fillOfRow(1), QColor::fromRgbF(1, 1, 1, 0.1f));
    EXPECT_EQ(table.fillOfRow(0), QColor(50, 50, 61));
    table.setRowNum(-1);
    EXPECT_EQ(table.fillOfRow(1), QColor(50, 50, 61));
    EXPECT_EQ(BrowerButtonCell::imageNameForState(2), QStringLiteral("checkbox_election"));
}

// --- Running browsers -----------------------------------------------------------

TEST(RunningBrowsers, NamesAndTheScanRule)
{
    FakeProcesses p;
    p.add(10, "firefox-esr");
    p.add(11, "firefox-esr", 10);
    p.add(12, "chrome");
    p.add(13, "chromium");
    p.add(14, "opera");
    QStringList names;
    for (const RunningBrowser& r : runningBrowsers(p))
        names << r.name;
    EXPECT_EQ(names, QStringList({"Firefox ESR", "Google Chrome", "Opera"}));
    EXPECT_TRUE(countsAtScan({QStringLiteral("Firefox ESR"), {}}));
    EXPECT_TRUE(countsAtScan({QStringLiteral("Safari Technology Preview"), {}}));
    EXPECT_FALSE(countsAtScan({QStringLiteral("Chromium"), {}}));
    EXPECT_FALSE(countsAtScan({QStringLiteral("Operator"), {}}));
}

// Real processes: one that ends on SIGTERM is waited for, one that ignores it
// is reported still running once the wait is over.
TEST(BrowserCloser, WaitsForRealProcessesAndReportsTheOnesThatStay)
{
    QProcess quits, stays;
    quits.start(QStringLiteral("sleep"), {QStringLiteral("30")});
    stays.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("trap '' TERM; while :; do sleep 0.05; done")});
    ASSERT_TRUE(quits.waitForStarted() && stays.waitForStarted());
    nvtest::pump(200);   // the shell has set its trap
    platform::ProcessList& system = platform::systemProcesses();
    QList<platform::RunningProcess> targets;
    for (const qint64 pid : {quits.processId(), stays.processId()}) {
        const std::optional<platform::RunningProcess> p = system.process(pid);
        ASSERT_TRUE(p) << pid;
        targets << *p;
    }
    BrowserCloser closer(system);
    closer.setTimeouts(1500, 20);
    bool done = false;
    QList<platform::RunningProcess> left;
    QElapsedTimer clock;
    clock.start();
    closer.close(targets, [&](QList<platform::RunningProcess> still) {
        done = true;
        left = still;
    });
    ASSERT_TRUE(nvtest::pumpUntil([&] { return done; }, 5000));
    EXPECT_GE(clock.elapsed(), 1400);   // it waited for the one that stays
    ASSERT_EQ(left.size(), 1);
    EXPECT_EQ(left[0].pid, stays.processId());
    EXPECT_EQ(quits.state(), QProcess::NotRunning);
    EXPECT_EQ(stays.state(), QProcess::Running);
    stays.kill();
    stays.waitForFinished(2000);
}
