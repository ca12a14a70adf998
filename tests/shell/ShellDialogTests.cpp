// The update and About dialogs, and the application delegate's start-up,
// menu and quit roads. The network is a loopback server; opened web pages
// are caught before they reach a browser.
#include "DialogGuard.h"
#include "ShellTestSupport.h"

#include "core/CommUti.h"
#include "platform/Defaults.h"
#include "platform/PropertyList.h"
#include "shell/AboutViewController.h"
#include "shell/AppDelegate.h"
#include "shell/BaseWindow.h"
#include "shell/MainWindowController.h"
#include "shell/UpdateViewController.h"
#include "toolkit/Animation.h"
#include "toolkit/StatusAttachedWindow.h"
#include "toolkit/TCImageButton.h"
#include "toolkit/TextImageButton.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using shelltest::OpenedUrls;
using shelltest::UpdateServer;

namespace {

QByteArray manifestBytes(qint64 versionCheck, const QString& version, const QStringList& lines)
{
    QVariantMap m{{QStringLiteral("VersionCheck"), versionCheck}, {QStringLiteral("Version"), version}};
    for (int i = 0; i < lines.size(); ++i)
        m.insert(QString::number(i + 1), lines[i]);
    return platform::plist::toXml(m);
}

class WithUpdateServer : public ::testing::Test {
protected:
    void SetUp() override { toolkit::setAnimationScale(0); }
    void TearDown() override { shelltest::resetSettings(); }

    // Links to the loopback server; the local build is 100.
    void ship(bool networkUp = true)
    {
        shelltest::shipSettings({{QStringLiteral("HomePage"), networkUp ? server.url(QStringLiteral("/"))
                                                                         : QStringLiteral("http://127.0.0.1:1/")},
                                 {QStringLiteral("IniURL"), server.url(QStringLiteral("/NullvaneUpdate.plist"))},
                                 {QStringLiteral("UpdateURL"), QStringLiteral("https://nullvane.example/download.html")},
                                 {QStringLiteral("AboutURL"), QStringLiteral("https://nullvane.example/about")},
                                 {QStringLiteral("UserGuide"), QStringLiteral("https://nullvane.example/guide")},
                                 {QStringLiteral("SupportTeam"), QStringLiteral("https://nullvane.example/support")},
                                 {QStringLiteral("OnlineHelp"), QString()}},
                                100);
    }

    static bool finished(UpdateViewController& vc)
    {
        return nvtest::pumpUntil([&] { return vc.state() != UpdateViewController::State::Checking; }, 15000);
    }

    static QList<QLabel*> rows(UpdateViewController& vc)
    {
        QList<QLabel*> out = vc.showVersionScrollView->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
        std::sort(out.begin(), out.end(), [](QLabel* a, QLabel* b) { return a->y() < b->y(); });
        return out;
    }

    UpdateServer server;
    OpenedUrls opened;
};

// A picture of a dialog view as the user sees it: in its pop-up window.
void shotInPopup(QWidget* view, const QString& name)
{
    StatusAttachedWindow* window = StatusAttachedWindow::initWithView(view, QPointF(600, 400), nullptr, 1, 5.0f);
    window->show();
    shelltest::shot(window, name);
    window->close();
    nvtest::pump(20);
}

} // namespace

using UpdateDialog = WithUpdateServer;

TEST_F(UpdateDialog, ANewerBuildShowsItsVersionAndChangeListFromTheTop)
{
    server.manifest = manifestBytes(101, QStringLiteral("2.1"),
                                    {QStringLiteral("更快的文件擦除"), QStringLiteral("<b>not bold</b> & more")});
    ship();
    UpdateViewController vc;
    EXPECT_EQ(vc.state(), UpdateViewController::State::Checking);
    EXPECT_TRUE(vc.checkProgressView->isVisibleTo(vc.view()));
    shotInPopup(vc.view(), QStringLiteral("update-checking"));

    ASSERT_TRUE(finished(vc));
    ASSERT_EQ(vc.state(), UpdateViewController::State::HaveUpdate);
    for (QWidget* v : {vc.checkProgressView, vc.noNetworkView, vc.noUpdateView})
        EXPECT_FALSE(v->isVisibleTo(vc.view()));
    EXPECT_TRUE(vc.haveUpdateView->isVisibleTo(vc.view()));
    EXPECT_EQ(vc.titleLable->text(), QStringLiteral("检测到新版本2.1，是否更新？"));
    EXPECT_EQ(vc.versionLabel->text(), QStringLiteral("2.1版本的新功能:"));

    const QList<QLabel*> lines = rows(vc);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0]->text(), QStringLiteral("1.更快的文件擦除"));
    EXPECT_EQ(lines[1]->text(), QStringLiteral("2.<b>not bold</b> & more"));
    EXPECT_EQ(lines[1]->textFormat(), Qt::PlainText);
    EXPECT_TRUE(lines[1]->toolTip().contains(QStringLiteral("&lt;b&gt;not bold&lt;/b&gt; &amp; more")));
    EXPECT_EQ(lines[0]->geometry(), QRect(0, 0, 416, 25));
    EXPECT_EQ(lines[1]->geometry(), QRect(0, 25, 416, 25));
    EXPECT_EQ(vc.showVersionScrollView->size(), QSize(416, 170)) << "a short list still gets 170";
    EXPECT_EQ(vc.changeValueScrollView->verticalScrollBar()->value(), 0);

    const QStringList titles{QStringLiteral("关闭"), QStringLiteral("关闭"), QStringLiteral("完成"),
                             QStringLiteral("稍后提示"), QStringLiteral("安装更新")};
    const QList<TextImageButton*> buttons{vc.proClose, vc.noNetClose, vc.noUpdateClose, vc.haveClose, vc.updateButton};
    for (int i = 0; i < buttons.size(); ++i) {
        EXPECT_EQ(buttons[i]->textField()->text(), titles[i]);
        EXPECT_TRUE(buttons[i]->isDisabled()) << "the usable flag is set on every button";
    }
    EXPECT_EQ(vc.updateButton->normalImageName(), QStringLiteral("btn_pril_normal"));
    EXPECT_EQ(vc.proClose->hoverImage().name(), QStringLiteral("btn_secl_press"));
    EXPECT_EQ(vc.noNetClose->hoverImage().name(), QStringLiteral("btn_secl_hover"));

    // As the user sees it: in its pop-up window.
    StatusAttachedWindow* window = StatusAttachedWindow::initWithView(vc.view(), QPointF(600, 400), nullptr, 1, 5.0f);
    vc.superDelegate = window;
    window->center();
    window->show();
    shelltest::shot(window, QStringLiteral("update-available"));

    // Install: the dialog closes, then the download page opens.
    QTest::mouseClick(vc.updateButton, Qt::LeftButton);
    EXPECT_TRUE(nvtest::pumpUntil([&] { return vc.superDelegate.isNull(); }));
    EXPECT_EQ(opened.urls, QList<QUrl>{QUrl(QStringLiteral("https://nullvane.example/download.html"))});
}

TEST_F(UpdateDialog, LongAndManyLinesGrowTheListRowByRow)
{
    const QString longLine = QStringLiteral("这一行很长，") .repeated(20);
    QStringList lines;
    for (int i = 1; i <= 12; ++i)
        lines << (i == 3 ? longLine : QStringLiteral("第 %1 项改进").arg(i));
    server.manifest = manifestBytes(150, QStringLiteral("3.0"), lines);
    ship();
    UpdateViewController vc;
    ASSERT_TRUE(finished(vc));
    ASSERT_EQ(vc.state(), UpdateViewController::State::HaveUpdate);
    const QList<QLabel*> shown = rows(vc);
    ASSERT_EQ(shown.size(), 12);
    for (int i = 0; i < 12; ++i) {
        EXPECT_TRUE(shown[i]->text().startsWith(QStringLiteral("%1.").arg(i + 1))) << shown[i]->text();
        EXPECT_GE(shown[i]->height(), shown[i]->heightForWidth(416)) << "row " << i + 1 << " cuts its text";
    }
    EXPECT_GT(shown[2]->height(), 25) << "a line that wraps at 200 gets a taller row";
    EXPECT_EQ(shown[3]->y(), shown[2]->y() + shown[2]->height());
    // Eleven short rows at 30 and the long one: more than 170, and rows from the top.
    EXPECT_GT(vc.showVersionScrollView->height(), 11 * 30);
    EXPECT_EQ(shown[0]->y(), 0);
    shotInPopup(vc.view(), QStringLiteral("update-available-long-list"));
}

TEST_F(UpdateDialog, SameBuildMalformedManifestOrNoNetwork)
{
    server.manifest = manifestBytes(100, QStringLiteral("1.0"), {QStringLiteral("x")});
    ship();
    {
        UpdateViewController vc;
        ASSERT_TRUE(finished(vc));
        EXPECT_EQ(vc.state(), UpdateViewController::State::NoUpdate);
        EXPECT_TRUE(vc.noUpdateView->isVisibleTo(vc.view()));
        EXPECT_FALSE(vc.haveUpdateView->isVisibleTo(vc.view()));
        shotInPopup(vc.view(), QStringLiteral("update-none"));
    }
    server.manifest = "<html>this is no property list</html>";
    {
        UpdateViewController vc;
        ASSERT_TRUE(finished(vc));
        EXPECT_EQ(vc.state(), UpdateViewController::State::NoUpdate);
    }
    server.manifest = manifestBytes(200, QStringLiteral("9.0"), {});
    ship(/*networkUp=*/false);
    {
        UpdateViewController vc;
        ASSERT_TRUE(finished(vc));
        EXPECT_EQ(vc.state(), UpdateViewController::State::NoNetwork);
        EXPECT_TRUE(vc.noNetworkView->isVisibleTo(vc.view()));
        shotInPopup(vc.view(), QStringLiteral("update-no-network"));
    }
}

TEST_F(UpdateDialog, ClosingBeforeTheAnswerIsSafeAndEveryCloseButtonCloses)
{
    server.manifest = manifestBytes(101, QStringLiteral("2.1"), {QStringLiteral("a")});
    ship();
    {
        // Gone before the worker answers: the answer finds nobody.
        UpdateViewController vc;
    }
    nvtest::pump(300);

    UpdateViewController vc;
    vc.closeWindow(); // no host yet: nothing
    StatusAttachedWindow* window = StatusAttachedWindow::initWithView(vc.view(), QPointF(600, 400), nullptr, 1, 5.0f);
    vc.superDelegate = window;
    QTimer::singleShot(50, vc.proClose, [&] { QTest::mouseClick(vc.proClose, Qt::LeftButton); });
    nvtest::ExpectDialogs expectDialog; // the test closes it itself
    window->runModal(); // returns once the button closed the dialog
    EXPECT_TRUE(nvtest::pumpUntil([&] { return vc.superDelegate.isNull(); }));
    EXPECT_TRUE(opened.urls.isEmpty());
}

using AboutDialog = WithUpdateServer;

TEST_F(AboutDialog, ShowsTheBuildAndOpensTheMakersPage)
{
    ship();
    AboutViewController vc;
    EXPECT_EQ(AboutViewController::versionText(), QStringLiteral("版本 %1 (100)").arg(QStringLiteral(NULLVANE_VERSION)));
    EXPECT_EQ(vc.versionLabel->text(), AboutViewController::versionText());
    StatusAttachedWindow* window = StatusAttachedWindow::initWithView(vc.view(), QPointF(600, 400), nullptr, 1, 5.0f);
    vc.superDelegate = window;
    window->show();
    shelltest::shot(window, QStringLiteral("about"));
    QTest::mouseClick(vc.aboutButton, Qt::LeftButton);
    EXPECT_EQ(opened.urls, QList<QUrl>{QUrl(QStringLiteral("https://nullvane.example/about"))});
    QTest::mouseClick(vc.closeButton, Qt::LeftButton);
    EXPECT_TRUE(nvtest::pumpUntil([&] { return vc.superDelegate.isNull(); }));

    // No link, nothing opens.
    shelltest::shipSettings({}, 100);
    AboutViewController bare;
    QTest::mouseClick(bare.aboutButton, Qt::LeftButton);
    EXPECT_EQ(opened.urls.size(), 1);
}

// ---------------------------------------------------------------- application delegate

namespace {

class Application : public WithUpdateServer {
protected:
    void SetUp() override
    {
        WithUpdateServer::SetUp();
        platform::defaults::remove(QStringLiteral("EraserTimes"));
        platform::defaults::remove(QStringLiteral("EraserTimesTag"));
        platform::defaults::remove(QStringLiteral("AppleLanguages"));
    }

    std::unique_ptr<AppDelegate> launch(shelltest::FakeFactory& factory)
    {
        auto delegate = std::make_unique<AppDelegate>();
        delegate->setToolScreenFactory(&factory);
        delegate->setRunsDialogsModally(false);
        QObject::connect(delegate.get(), &AppDelegate::quitRequested, [this](int status) { quits << status; });
        delegate->awakeFromNib();
        launched = delegate->applicationDidFinishLaunching();
        return delegate;
    }

    QList<int> quits;
    bool launched = false;
};

QAction* menuItem(AppDelegate& d, const QString& title)
{
    for (QAction* a : d.mainWin()->applicationMenu()->actions()) {
        if (a->text() == title)
            return a;
    }
    return nullptr;
}

} // namespace

TEST_F(Application, FirstRunDefaultsAndLaterRunsKeepTheirChoice)
{
    AppDelegate first;
    first.awakeFromNib();
    EXPECT_EQ(platform::defaults::integerForKey(QStringLiteral("EraserTimes")), 1);
    EXPECT_EQ(platform::defaults::integerForKey(QStringLiteral("EraserTimesTag")), 0);
    EXPECT_EQ(CommUti::getRegularFontName(), QStringLiteral("Noto Sans CJK SC Regular"));
    EXPECT_EQ(CommUti::getLightFontName(), QStringLiteral("Noto Sans CJK SC Light"));
    EXPECT_EQ(CommUti::getBoldFontName(), QStringLiteral("Noto Sans CJK SC Bold"));

    platform::defaults::setInteger(QStringLiteral("EraserTimes"), 3);
    platform::defaults::setInteger(QStringLiteral("EraserTimesTag"), 5);
    AppDelegate later;
    later.awakeFromNib();
    EXPECT_EQ(platform::defaults::integerForKey(QStringLiteral("EraserTimes")), 3);
    EXPECT_EQ(platform::defaults::integerForKey(QStringLiteral("EraserTimesTag")), 5);

    platform::defaults::setValue(QStringLiteral("EraserTimes"), QStringLiteral("zero"));
    AppDelegate garbled;
    garbled.awakeFromNib();
    EXPECT_EQ(platform::defaults::integerForKey(QStringLiteral("EraserTimes")), 1);
    EXPECT_EQ(platform::defaults::integerForKey(QStringLiteral("EraserTimesTag")), 0);
}

TEST_F(Application, LaunchShowsTheCentredWindowInChineseAndASecondCopyGivesWay)
{
    server.manifest = manifestBytes(100, QStringLiteral("1.0"), {});
    ship();
    shelltest::ToolCalls calls;
    shelltest::FakeFactory factory(calls);
    auto delegate = launch(factory);
    ASSERT_TRUE(launched);
    BaseWindow* window = delegate->mainWin()->window();
    EXPECT_TRUE(window->isVisible());
    const QRect area = window->screen()->availableGeometry();
    EXPECT_LE((window->geometry().center() - area.center()).manhattanLength(), 2) << "centred";
    EXPECT_EQ(platform::defaults::value(QStringLiteral("AppleLanguages")).toStringList(),
              QStringList{QStringLiteral("zh-Hans")});
    EXPECT_EQ(QLocale().language(), QLocale::Chinese);
    EXPECT_EQ(QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay), 300);

    // The launch probe: the published build is the local one, so no dialog.
    nvtest::pump(500);
    EXPECT_EQ(delegate->updateVC(), nullptr);

    // A second copy: it gives way, and the first comes forward restored.
    window->showMinimized();
    AppDelegate second;
    second.setToolScreenFactory(&factory);
    EXPECT_FALSE(second.applicationDidFinishLaunching());
    EXPECT_EQ(second.mainWin(), nullptr) << "a second copy shows nothing";
    EXPECT_TRUE(nvtest::pumpUntil([&] { return !window->isMinimized() && window->isVisible(); }));
}

TEST_F(Application, TheLaunchProbeOpensTheDialogOnlyForANewerBuildWithNetwork)
{
    server.manifest = manifestBytes(101, QStringLiteral("2.1"), {QStringLiteral("新功能")});
    ship(/*networkUp=*/false);
    {
        shelltest::ToolCalls calls;
        shelltest::FakeFactory factory(calls);
        auto delegate = launch(factory);
        nvtest::pump(1500);
        EXPECT_EQ(delegate->updateVC(), nullptr) << "no network, no dialog";
        delegate->applicationWillTerminate();
    }
    ship();
    shelltest::ToolCalls calls;
    shelltest::FakeFactory factory(calls);
    auto delegate = launch(factory);
    ASSERT_TRUE(nvtest::pumpUntil([&] { return delegate->updateVC() != nullptr; }, 15000));
    UpdateViewController* vc = delegate->updateVC();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return vc->state() == UpdateViewController::State::HaveUpdate; }, 15000));
    ASSERT_TRUE(vc->superDelegate);
    EXPECT_TRUE(vc->superDelegate->isVisible());
    shelltest::shot(vc->superDelegate, QStringLiteral("update-at-launch"));

    // Asked again while it is open: the same dialog stays.
    delegate->checkUpdateAction();
    EXPECT_EQ(delegate->updateVC(), vc);
    vc->closeWindow();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return vc->superDelegate.isNull(); }));
    delegate->checkUpdateAction();
    EXPECT_NE(delegate->updateVC(), nullptr);
    delegate->updateVC()->closeWindow();
    delegate->applicationWillTerminate();
}

TEST_F(Application, MenuItemsOpenTheirLinksAndDialogs)
{
    server.manifest = manifestBytes(100, QStringLiteral("1.0"), {});
    ship();
    shelltest::ToolCalls calls;
    shelltest::FakeFactory factory(calls);
    auto delegate = launch(factory);
    const QStringList titles{QStringLiteral("关于 Nullvane"), QStringLiteral("检查更新…"), QStringLiteral("用户指南"),
                             QStringLiteral("技术支持"), QStringLiteral("在线帮助"), QStringLiteral("无法识别的磁盘"),
                             QStringLiteral("退出 Nullvane")};
    for (const QString& t : titles)
        ASSERT_NE(menuItem(*delegate, t), nullptr) << t;
    EXPECT_EQ(menuItem(*delegate, QStringLiteral("退出 Nullvane"))->shortcut(), QKeySequence(QKeySequence::Quit));

    delegate->mainWin()->window()->show();
    QTest::mouseClick(delegate->mainWin()->menuButton(), Qt::LeftButton);
    ASSERT_TRUE(nvtest::pumpUntil([&] { return delegate->mainWin()->applicationMenu()->isVisible(); }));
    shelltest::shot(delegate->mainWin()->applicationMenu(), QStringLiteral("application-menu"));
    delegate->mainWin()->applicationMenu()->hide();

    for (const QString& t : {QStringLiteral("用户指南"), QStringLiteral("技术支持"), QStringLiteral("在线帮助"),
                             QStringLiteral("无法识别的磁盘")})
        menuItem(*delegate, t)->trigger();
    nvtest::pump(100);
    // The empty "OnlineHelp" link opens nothing; the FAQ page is on the maker's site.
    EXPECT_EQ(opened.urls, (QList<QUrl>{QUrl(QStringLiteral("https://nullvane.example/guide")),
                                        QUrl(QStringLiteral("https://nullvane.example/support")),
                                        QUrl(server.url(QStringLiteral("/support/faq.html")))}));

    menuItem(*delegate, QStringLiteral("关于 Nullvane"))->trigger();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return delegate->aboutWC() != nullptr; }));
    AboutViewController* about = delegate->aboutWC();
    ASSERT_TRUE(about->superDelegate);
    nvtest::pump(50);
    const QRect area = about->superDelegate->screen()->availableGeometry();
    EXPECT_LE((about->superDelegate->geometry().center() - area.center()).manhattanLength(), 2)
        << "the dialog is centred on the screen";
    shelltest::shot(about->superDelegate, QStringLiteral("about-from-menu"));
    about->closeWindow();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return about->superDelegate.isNull(); }));
    menuItem(*delegate, QStringLiteral("关于 Nullvane"))->trigger();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return delegate->aboutWC() != about; })) << "a new dialog each time";
    delegate->aboutWC()->closeWindow();

    menuItem(*delegate, QStringLiteral("检查更新…"))->trigger();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return delegate->updateVC() != nullptr; }));
    ASSERT_TRUE(nvtest::pumpUntil([&] { return delegate->updateVC()->state() == UpdateViewController::State::NoUpdate; },
                                  15000));
    shelltest::shot(delegate->updateVC()->superDelegate, QStringLiteral("update-none-from-menu"));
    delegate->updateVC()->closeWindow();
    delegate->applicationWillTerminate();
}

TEST_F(Application, EveryRoadOutCleansUpOnceAndEndsWithStatusZero)
{
    server.manifest = manifestBytes(100, QStringLiteral("1.0"), {});
    ship();
    {
        shelltest::ToolCalls calls;
        shelltest::FakeFactory factory(calls);
        auto delegate = launch(factory);
        menuItem(*delegate, QStringLiteral("退出 Nullvane"))->trigger();
        ASSERT_TRUE(nvtest::pumpUntil([&] { return !quits.isEmpty(); }));
        EXPECT_EQ(quits, QList<int>{0});
        EXPECT_EQ(calls.count(QStringLiteral("wipe.endAppRemoveFolder")), 1);
        delegate->applicationWillTerminate(); // the loop's end follows: no second clean-up
        EXPECT_EQ(calls.count(QStringLiteral("wipe.endAppRemoveFolder")), 1);
        EXPECT_FALSE(delegate->mainWin()->window()->isVisible());
    }
    quits.clear();
    {
        shelltest::ToolCalls calls;
        shelltest::FakeFactory factory(calls);
        auto delegate = launch(factory);
        QTest::mouseClick(delegate->mainWin()->tabBarView->closeButton, Qt::LeftButton);
        EXPECT_EQ(quits, QList<int>{0});
        EXPECT_EQ(calls.count(QStringLiteral("wipe.endAppRemoveFolder")), 1) << "cleaned once, before the end";
        delegate->applicationWillTerminate();
    }
    quits.clear();
    {
        // Log-out, a signal, the system ending the program.
        shelltest::ToolCalls calls;
        shelltest::FakeFactory factory(calls);
        auto delegate = launch(factory);
        delegate->applicationWillTerminate();
        EXPECT_EQ(calls.count(QStringLiteral("wipe.stopRunningWork")), 1);
        EXPECT_EQ(calls.count(QStringLiteral("wipe.endAppRemoveFolder")), 1);
        EXPECT_FALSE(delegate->mainWin()->window()->isVisible());
        EXPECT_TRUE(quits.isEmpty()) << "the loop is ending already";
    }
}
