// The title bar and the main window with its tool tabs, driven through their
// widgets with recording tool screens; pictures under test-output/shell.
#include "ShellTestSupport.h"

#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "shell/BaseWindow.h"
#include "shell/MainWindowController.h"
#include "toolkit/Animation.h"
#include "toolkit/ImageCache.h"
#include "toolkit/RightBgView.h"
#include "toolkit/TabBarView.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

using shelltest::FakeFactory;
using shelltest::FakeScreen;
using shelltest::ToolCalls;

namespace {

// A borderless host like the main window: a content view holding a dark
// strip with the title bar on it.
struct TitleBarHost {
    QWidget window;
    QWidget* content;
    TabBarView* bar;
    TitleBarHost()
    {
        window.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
        window.resize(220, 34);
        content = new RightBgView(&window);
        content->setObjectName(QLatin1String(TabBarView::kContentViewName));
        content->setGeometry(0, 0, 220, 34);
        bar = new TabBarView(content);
        bar->setGeometry(16, 8, 170, 18);
    }
    QString shown(HMTrafficButtonsContainer* b) const { return b->shownImage().name(); }
};

bool activate(QWidget& w)
{
    w.show();
    w.activateWindow();
    return nvtest::pumpUntil([&] { return QGuiApplication::focusWindow() == w.windowHandle(); }, 3000);
}

struct CloseRecorder : TabBarVDelegate {
    QWidget* window = nullptr;
    bool wasVisibleAtCall = false;
    int calls = 0;
    void closeWindowAction() override
    {
        ++calls;
        wasVisibleAtCall = window->isVisible();
    }
};

} // namespace

TEST(TitleBar, ButtonsStartAsTheirTableSays)
{
    TitleBarHost host;
    EXPECT_EQ(host.bar->closeButton->geometry(), QRect(0, 2, 12, 12));
    EXPECT_EQ(host.bar->minButton->geometry(), QRect(18, 2, 12, 12));
    EXPECT_EQ(host.bar->zoomButton->geometry(), QRect(36, 2, 12, 12));
    EXPECT_EQ(host.bar->closeButton->idStr(), QStringLiteral("close"));
    EXPECT_EQ(host.bar->minButton->idStr(), QStringLiteral("minimize"));
    EXPECT_EQ(host.bar->zoomButton->idStr(), QStringLiteral("zoom"));
    EXPECT_TRUE(host.bar->closeButton->isEnabled());
    EXPECT_FALSE(host.bar->minButton->isEnabled());
    EXPECT_FALSE(host.bar->zoomButton->isEnabled());
    EXPECT_EQ(host.shown(host.bar->closeButton), QStringLiteral("window-button-close-active"));
    EXPECT_EQ(host.shown(host.bar->minButton), QStringLiteral("window-button-all-inactive"));
    EXPECT_EQ(host.shown(host.bar->zoomButton), QStringLiteral("window-button-zoom-active"));
    EXPECT_EQ(host.bar->closeButton->press.name(), QStringLiteral("window-button-close-press"));
    for (auto* b : {host.bar->closeButton, host.bar->minButton, host.bar->zoomButton}) {
        EXPECT_FALSE(b->active.isNull()) << b->idStr();
        EXPECT_FALSE(b->hover.isNull()) << b->idStr();
        EXPECT_FALSE(b->inactive.isNull()) << b->idStr();
    }
}

TEST(TitleBar, HoverAndWindowFocusPickTheImages)
{
    TitleBarHost host;
    QStringList posted;
    const void* sender = nullptr;
    auto& center = platform::NotificationCenter::defaultCenter();
    const auto enterToken = center.addObserver(QStringLiteral("HMTrafficButtonMouseEnter"), [&](const platform::Notification& n) {
        posted << n.name;
        sender = n.sender;
    });
    const auto exitToken = center.addObserver(QStringLiteral("HMTrafficButtonMouseExit"),
                                              [&](const platform::Notification& n) { posted << n.name; });
    // The pointer enters the bar: close and zoom hover, the minimise button
    // (inactive until enabled) does not.
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(host.bar, &enter);
    EXPECT_EQ(posted, QStringList{QStringLiteral("HMTrafficButtonMouseEnter")});
    EXPECT_EQ(sender, host.bar);
    EXPECT_EQ(host.shown(host.bar->closeButton), QStringLiteral("window-button-close-hover"));
    EXPECT_EQ(host.shown(host.bar->zoomButton), QStringLiteral("window-button-zoom-hover"));
    EXPECT_EQ(host.shown(host.bar->minButton), QStringLiteral("window-button-all-inactive"));
    shelltest::shot(&host.window, QStringLiteral("titlebar-hover-before-min-enabled"));
    host.bar->setMinAction(true);
    EXPECT_TRUE(host.bar->minButton->isEnabled());
    EXPECT_EQ(host.shown(host.bar->minButton), QStringLiteral("window-button-minimize-active"));
    QApplication::sendEvent(host.bar, &enter);
    EXPECT_EQ(host.shown(host.bar->minButton), QStringLiteral("window-button-minimize-hover"));
    ASSERT_TRUE(activate(host.window));
    shelltest::shot(&host.window, QStringLiteral("titlebar-hover"));

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(host.bar, &leave);
    EXPECT_EQ(posted.last(), QStringLiteral("HMTrafficButtonMouseExit"));
    EXPECT_EQ(host.shown(host.bar->closeButton), QStringLiteral("window-button-close-active"));
    EXPECT_EQ(host.shown(host.bar->minButton), QStringLiteral("window-button-minimize-active"));
    shelltest::shot(&host.window, QStringLiteral("titlebar-active"));

    // Every title bar hears every other: a second bar's hover lights this one.
    TitleBarHost other;
    QApplication::sendEvent(other.bar, &enter);
    EXPECT_EQ(host.shown(host.bar->closeButton), QStringLiteral("window-button-close-hover"));
    QApplication::sendEvent(other.bar, &leave);

    // The application loses focus (as the window system reports it when the
    // user turns to another program): all three turn grey and hover changes
    // nothing.
    emit qGuiApp->focusWindowChanged(nullptr);
    for (auto* b : {host.bar->closeButton, host.bar->minButton, host.bar->zoomButton})
        EXPECT_EQ(host.shown(b), QStringLiteral("window-button-all-inactive")) << b->idStr();
    QApplication::sendEvent(host.bar, &enter);
    EXPECT_EQ(host.shown(host.bar->closeButton), QStringLiteral("window-button-all-inactive"));
    EXPECT_FALSE(host.bar->closeButton->hoverState());
    shelltest::shot(&host.window, QStringLiteral("titlebar-inactive"));

    // Focus back: active again.
    emit qGuiApp->focusWindowChanged(host.window.windowHandle());
    EXPECT_EQ(host.shown(host.bar->closeButton), QStringLiteral("window-button-close-active"));
    center.removeObserver(enterToken);
    center.removeObserver(exitToken);
}

TEST(TitleBar, AnyWindowGainingFocusActivatesTheMinimiseButton)
{
    TitleBarHost host;
    EXPECT_FALSE(host.bar->minButton->activeState());
    QWidget elsewhere;
    ASSERT_TRUE(activate(elsewhere));
    EXPECT_TRUE(host.bar->minButton->activeState());
    EXPECT_EQ(host.shown(host.bar->minButton), QStringLiteral("window-button-minimize-active"));
    EXPECT_FALSE(host.bar->minButton->isEnabled()) << "still not clickable";
}

TEST(TitleBar, CloseAsksTheDelegateFirstAndClosesEvenWithout)
{
    {
        TitleBarHost host;
        CloseRecorder recorder;
        recorder.window = &host.window;
        host.bar->setDelegate(&recorder);
        host.window.show();
        QTest::mouseClick(host.bar->closeButton, Qt::LeftButton);
        EXPECT_EQ(recorder.calls, 1);
        EXPECT_TRUE(recorder.wasVisibleAtCall) << "the delegate hears before the window closes";
        EXPECT_FALSE(host.window.isVisible());
    }
    {
        TitleBarHost host;
        TabBarVDelegate silent; // answers nothing of its own
        host.bar->setDelegate(&silent);
        host.window.show();
        QTest::mouseClick(host.bar->closeButton, Qt::LeftButton);
        EXPECT_FALSE(host.window.isVisible());
    }
}

TEST(TitleBar, DisabledButtonsDoNothingAndMinimisedContentComesBack)
{
    TitleBarHost host;
    ASSERT_TRUE(activate(host.window));
    QTest::mouseClick(host.bar->zoomButton, Qt::LeftButton);
    QTest::mouseClick(host.bar->minButton, Qt::LeftButton);
    EXPECT_FALSE(host.window.isMinimized());
    EXPECT_FALSE(host.window.isMaximized());
    EXPECT_TRUE(host.content->isVisible());

    host.bar->setMinAction(true);
    QTest::mouseClick(host.bar->minButton, Qt::LeftButton);
    EXPECT_TRUE(host.window.isMinimized());
    EXPECT_FALSE(host.content->isVisible()) << "minimising hides the content first";
    host.window.showNormal();
    EXPECT_TRUE(nvtest::pumpUntil([&] { return host.content->isVisible(); }, 3000))
        << "a restored window shows its content again";
}

// ---------------------------------------------------------------- main window

namespace {

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        toolkit::setAnimationScale(0);
        controller = std::make_unique<MainWindowController>(&factory);
        // The first Disk tools scan runs off the main thread.
        ASSERT_TRUE(nvtest::pumpUntil([&] { return calls.count(QStringLiteral("repair.getallVolumes")) == 1; }));
        calls.take();
    }
    void TearDown() override
    {
        controller.reset();
        toolkit::setAnimationScale(1);
    }

    void click(int tag) { QTest::mouseClick(controller->allTypeButArr[tag], Qt::LeftButton, {}, QPoint(100, 14)); }

    // The container now in view; every other one must be out of it.
    int containerInView()
    {
        int shown = -1;
        for (int i = 0; i < controller->allBaseViewArr.size(); ++i) {
            const QRect g = controller->allBaseViewArr[i]->geometry();
            if (g == QRect(0, 0, 730, 580)) {
                EXPECT_EQ(shown, -1) << "two containers in view";
                shown = i;
            } else {
                EXPECT_FALSE(g.intersects(QRect(0, 0, 730, 580))) << "container " << i << " half in view";
            }
        }
        return shown;
    }

    QStringList selection()
    {
        QStringList out;
        for (auto* tab : controller->allTypeButArr)
            out << (tab->isClick() ? QStringLiteral("X") : QStringLiteral("-"));
        return out;
    }

    ToolCalls calls;
    FakeFactory factory{calls};
    std::unique_ptr<MainWindowController> controller;
};

} // namespace

TEST(MainWindowBuild, ToolsAreMadeOnceInOrderAndHostedInTheirContainers)
{
    ToolCalls calls;
    FakeFactory factory(calls);
    MainWindowController controller(&factory);
    EXPECT_TRUE(nvtest::pumpUntil([&] { return calls.count(QStringLiteral("repair.getallVolumes")) == 1; }));
    EXPECT_EQ(calls.offMainRepairScans.load(), 1) << "the first Disk tools scan is started off the main thread";
    EXPECT_EQ(calls.take(), (QStringList{QStringLiteral("eraser.created"), QStringLiteral("eraser.setSuperDelegate"),
                                         QStringLiteral("wipe.created"), QStringLiteral("wipe.setSuperDelegate"),
                                         QStringLiteral("wipe.loadBaseView"), QStringLiteral("uninstall.created"),
                                         QStringLiteral("internet.created"), QStringLiteral("repair.created"),
                                         QStringLiteral("repair.getallVolumes")}));
    EXPECT_EQ(factory.made[QStringLiteral("eraser")]->host, &controller);
    EXPECT_EQ(factory.made[QStringLiteral("wipe")]->host, &controller);
    EXPECT_EQ(factory.made[QStringLiteral("repair")]->host, nullptr);

    ASSERT_EQ(controller.allBaseViewArr.size(), 5);
    const QStringList order{QStringLiteral("eraser"), QStringLiteral("wipe"), QStringLiteral("repair"),
                            QStringLiteral("uninstall"), QStringLiteral("internet")};
    for (int i = 0; i < 5; ++i) {
        QWidget* container = controller.allBaseViewArr[i];
        EXPECT_EQ(container->size(), QSize(730, 580));
        QWidget* view = factory.made[order[i]]->view();
        EXPECT_EQ(view->parentWidget(), container) << order[i];
        EXPECT_EQ(view->geometry(), QRect(0, 0, 730, 580)) << order[i];
    }
    EXPECT_EQ(controller.window()->size(), QSize(960, 580));
    EXPECT_EQ(controller.rightView->geometry(), QRect(230, 0, 730, 580));
    EXPECT_TRUE(controller.tabBarView->minButton->isEnabled());
    EXPECT_EQ(controller.tabBarView->delegate(), &controller);
}

TEST(MainWindowBuild, SixTabsWithTheirTextsIconsAndPlaces)
{
    ToolCalls calls;
    FakeFactory factory(calls);
    MainWindowController controller(&factory);
    const QStringList texts{QStringLiteral("文件擦除"), QStringLiteral("磁盘擦除"), QStringLiteral("剩余空间擦除"),
                            QStringLiteral("磁盘工具"), QStringLiteral("软件卸载"), QStringLiteral("浏览器清理")};
    const QStringList icons{QStringLiteral("ic_file"), QStringLiteral("ic_wipe_hdd"), QStringLiteral("ic_wipe_free"),
                            QStringLiteral("ic_repair"), QStringLiteral("ic_uninstall"), QStringLiteral("ic_internet")};
    // From the column's bottom edge: 474, 438, 402, 320, 284, 248.
    const QList<int> topsFromAbove{78, 114, 150, 232, 268, 304};
    ASSERT_EQ(controller.allTypeButArr.size(), 6);
    for (int tag = 0; tag < 6; ++tag) {
        CustemTypeButtonView* tab = controller.allTypeButArr[tag];
        EXPECT_EQ(tab->butTag, tag);
        EXPECT_EQ(tab->nameStr, texts[tag]);
        EXPECT_EQ(tab->nameLabel()->text(), texts[tag]);
        EXPECT_EQ(tab->iconImage.name(), icons[tag]);
        EXPECT_EQ(tab->sleIconImage.name(), icons[tag] + QStringLiteral("_sel"));
        EXPECT_FALSE(tab->iconImage.isNull() || tab->sleIconImage.isNull()) << icons[tag];
        EXPECT_EQ(tab->geometry(), QRect(8, topsFromAbove[tag], 214, 28));
        EXPECT_EQ(tab->iconImageView()->geometry(), QRect(16, 6, 16, 16));
        EXPECT_EQ(tab->nameLabel()->geometry(), QRect(48, 6, 150, 17));
        EXPECT_TRUE(tab->isEnd());
        EXPECT_EQ(tab->isClick(), tag == 0);
    }
    EXPECT_EQ(controller.eraseFile, controller.allTypeButArr[0]);
    EXPECT_EQ(controller.internetCleanup, controller.allTypeButArr[5]);
    EXPECT_EQ(controller.indexSelectView(), 0);
    EXPECT_EQ(controller.FileEraserBaseView->geometry(), QRect(0, 0, 730, 580));
    for (QWidget* c : {controller.wipeHddBaseView, controller.diskReparBaseView, controller.uninstallBaseView,
                       controller.interBaseView})
        EXPECT_EQ(c->geometry(), QRect(0, -580, 730, 580));

    controller.window()->show();
    shelltest::shot(controller.window(), QStringLiteral("main-window"));
}

TEST_F(MainWindow, ClickRulesRescanSwitchModesAndSlide)
{
    click(0);
    EXPECT_TRUE(calls.take().isEmpty()) << "the selected tab does nothing";
    EXPECT_EQ(containerInView(), 0);

    click(2);
    EXPECT_EQ(calls.take(), (QStringList{QStringLiteral("wipe.getallVolumes"), QStringLiteral("wipe.mode2")}));
    EXPECT_EQ(controller->indexSelectView(), 2);
    EXPECT_EQ(containerInView(), 1);
    EXPECT_EQ(selection(), (QStringList{"-", "-", "X", "-", "-", "-"}));

    // The other wipe tab: the mode only, no rescan, no slide.
    const QRect before = controller->wipeHddBaseView->geometry();
    click(1);
    EXPECT_EQ(calls.take(), QStringList{QStringLiteral("wipe.mode1")});
    EXPECT_EQ(controller->wipeHddBaseView->geometry(), before);
    EXPECT_EQ(controller->indexSelectView(), 1);
    EXPECT_EQ(selection(), (QStringList{"-", "X", "-", "-", "-", "-"}));

    click(3);
    EXPECT_EQ(calls.take(), QStringList{QStringLiteral("repair.getallVolumes")});
    EXPECT_EQ(containerInView(), 2);
    click(4);
    EXPECT_TRUE(calls.take().isEmpty());
    EXPECT_EQ(containerInView(), 3);
    click(3);
    EXPECT_EQ(calls.take(), QStringList{QStringLiteral("repair.getallVolumes")}) << "every arrival rescans";
    click(5);
    EXPECT_EQ(containerInView(), 4);
    click(1);
    EXPECT_EQ(calls.take(), (QStringList{QStringLiteral("wipe.getallVolumes"), QStringLiteral("wipe.mode1")}));
    EXPECT_EQ(containerInView(), 1);
    click(0);
    EXPECT_EQ(containerInView(), 0);
    EXPECT_TRUE(calls.take().isEmpty());
    // Out of view, the containers that left went down and the waiting one sits above.
    EXPECT_EQ(controller->wipeHddBaseView->geometry().topLeft(), QPoint(0, 580));

    controller->window()->show();
    click(3);
    shelltest::shot(controller->window(), QStringLiteral("main-window-disk-tools"));
}

TEST_F(MainWindow, LockedTabsIgnoreClicksAndDimTheirTitles)
{
    click(2);
    calls.take();
    MainWindowHost* host = factory.made[QStringLiteral("eraser")]->host;
    ASSERT_NE(host, nullptr);
    host->canChangeType(false);
    for (int tag = 0; tag < 6; ++tag) {
        click(tag);
        EXPECT_FALSE(controller->allTypeButArr[tag]->isEnd());
    }
    EXPECT_TRUE(calls.take().isEmpty());
    EXPECT_EQ(controller->indexSelectView(), 2);
    EXPECT_EQ(containerInView(), 1);
    for (int tag = 0; tag < 6; ++tag) {
        const QColor title = controller->allTypeButArr[tag]->nameLabel()->palette().color(QPalette::WindowText);
        EXPECT_NEAR(title.alphaF(), tag == 2 ? 1.0 : 0.18, 0.01) << tag;
    }
    controller->window()->show();
    shelltest::shot(controller->window(), QStringLiteral("main-window-locked"));

    host->canChangeType(true);
    for (int tag = 0; tag < 6; ++tag) {
        const QColor title = controller->allTypeButArr[tag]->nameLabel()->palette().color(QPalette::WindowText);
        EXPECT_NEAR(title.alphaF(), tag == 2 ? 1.0 : 0.6, 0.01) << tag;
    }
    click(0);
    EXPECT_EQ(controller->indexSelectView(), 0);
    EXPECT_EQ(containerInView(), 0);
}

TEST_F(MainWindow, AClickDuringASlideLeavesNoScreenHalfInView)
{
    toolkit::setAnimationScale(1);
    click(4);
    nvtest::pump(120); // partway
    const QRect mid = controller->uninstallBaseView->geometry();
    EXPECT_LT(mid.y(), 0) << "still coming in from the top";
    EXPECT_GT(mid.y(), -580);
    click(5);
    EXPECT_EQ(controller->FileEraserBaseView->geometry().topLeft(), QPoint(0, 580)) << "the first slide ended first";
    ASSERT_TRUE(nvtest::pumpUntil([&] { return controller->interBaseView->geometry().topLeft() == QPoint(0, 0); }, 3000));
    nvtest::pump(50);
    EXPECT_EQ(containerInView(), 4);
    EXPECT_EQ(controller->indexSelectView(), 5);
}

TEST_F(MainWindow, QuitStopsRunsWithinTheBoundThenRemovesTheFillFolder)
{
    FakeScreen* eraser = factory.made[QStringLiteral("eraser")];
    FakeScreen* wipe = factory.made[QStringLiteral("wipe")];
    eraser->stopTakesMs = 300;
    wipe->stopSucceeds = false;
    platform::LogCapture log;
    controller->removeFolderInWipeVolumes();
    const QStringList seen = calls.take();
    EXPECT_EQ(seen.count(QStringLiteral("eraser.stopRunningWork")), 1);
    EXPECT_EQ(seen.last(), QStringLiteral("wipe.endAppRemoveFolder")) << seen;
    EXPECT_EQ(seen.indexOf(QStringLiteral("wipe.endAppRemoveFolder")), seen.size() - 1) << "clean-up after the stops";
    EXPECT_EQ(eraser->lastStopBudget, MainWindowController::kQuitWaitMs);
    EXPECT_LE(wipe->lastStopBudget, MainWindowController::kQuitWaitMs - 300) << "one budget for all tools";
    EXPECT_TRUE(log.contains(QStringLiteral("still going")));
}

TEST_F(MainWindow, TheTitleBarsCloseButtonCleansUpAndClosesTheWindow)
{
    bool closing = false;
    QObject::connect(controller->window(), &BaseWindow::windowWillClose, [&] { closing = true; });
    controller->window()->show();
    QTest::mouseClick(controller->tabBarView->closeButton, Qt::LeftButton);
    EXPECT_EQ(calls.count(QStringLiteral("wipe.endAppRemoveFolder")), 1);
    EXPECT_TRUE(closing);
    EXPECT_FALSE(controller->window()->isVisible());
}

TEST_F(MainWindow, BringToFrontRestoresAMinimisedWindowWithItsContent)
{
    ASSERT_TRUE(activate(*controller->window()));
    QTest::mouseClick(controller->tabBarView->minButton, Qt::LeftButton);
    EXPECT_TRUE(controller->window()->isMinimized());
    controller->bringToFront();
    EXPECT_FALSE(controller->window()->isMinimized());
    EXPECT_TRUE(nvtest::pumpUntil([&] { return controller->window()->contentView()->isVisible(); }));
}
