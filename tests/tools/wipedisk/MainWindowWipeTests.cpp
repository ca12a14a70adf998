// The disk wipe inside the real main window: both wipe tabs show it in their
// mode, a run locks the tabs, and quitting removes a fill folder left behind.
#include "ScreenTestSupport.h"
#include "WipeTestSupport.h"

#include "core/DoDataBase.h"
#include "shell/BaseWindow.h"
#include "shell/MainWindowController.h"
#include "shell/ToolScreens.h"
#include "tools/wipedisk/WipeDiskViewController.h"
#include "toolkit/TextImageButton.h"

#include <QFile>
#include <QTest>

static ::testing::Environment* const kNoAnimations = ::testing::AddGlobalTestEnvironment(new screentest::NoAnimations);

namespace {

// The real screen with a fill that only reports, listing one volume.
struct WipeFactory : ToolScreenFactory {
    std::unique_ptr<WipeDiskToolScreen> makeWipeDisk() override
    {
        auto f = std::make_unique<wipetest::FakeFill>();
        f->finishAtOnce = false;
        fill = f.get();
        auto screen = std::make_unique<WipeDiskViewController>(std::move(f));
        screen->scanner().setEntrySource([] { return QList<WipeVolumeScanner::Entry>{{"/media/u/Data", "sdb1"}}; });
        return screen;
    }
    wipetest::FakeFill* fill = nullptr;
};

} // namespace

TEST(WipeDiskInTheMainWindow, BothTabsShowItAndARunLocksTheTabs)
{
    QFile::remove(DoDataBase::getDataBase());
    wipetest::FakeDiskutil du;
    du.setInfo("sdb1", wipetest::facts("sdb1", "Data", "ext4", "/media/u/Data"));
    WipeFactory factory;
    MainWindowController main(&factory);
    main.window()->show();
    auto* wipe = dynamic_cast<WipeDiskViewController*>(main.wipeDiskVC.get());
    ASSERT_NE(wipe, nullptr) << "the wipe tabs hold no disk wipe";
    EXPECT_EQ(wipe->view()->parentWidget(), main.wipeHddBaseView);
    EXPECT_EQ(wipe->superDelegate(), static_cast<MainWindowHost*>(&main));

    main.mouseClickAction(1);
    ASSERT_TRUE(wipe->scanner().waitForScan(10000));
    nvtest::pump(20);
    EXPECT_EQ(wipe->selectEraserType(), 2);
    EXPECT_TRUE(wipe->wipeHardNodeView()->isVisible());
    main.mouseClickAction(2);
    ASSERT_TRUE(wipe->scanner().waitForScan(10000));
    nvtest::pump(20);
    EXPECT_EQ(wipe->selectEraserType(), 1);
    EXPECT_TRUE(wipe->wipeFreeSpaceNodeView()->isVisible());
    // The scan's records reach the list through the main queue, and a scan
    // the tab asked for may only start once the queue turns.
    nvtest::pump(50);
    ASSERT_TRUE(wipe->scanner().waitForScan(10000));
    ASSERT_TRUE(nvtest::pumpUntil([&] { return wipe->volumeList().allVolumeArr().size() == 1; }, 5000))
        << wipe->volumeList().allVolumeArr().size();
    wipe->tableViewShouldSelectRow(0);
    screentest::savePng(main.window(), "MainWindow-wipe-free-space");

    screentest::whenDialogShown([](StatusAttachedWindow* window) {
        for (TextImageButton* b : window->findChildren<TextImageButton*>())
            if (b->textField() && b->textField()->text() == QStringLiteral("继续"))
                QTest::mouseClick(b, Qt::LeftButton);
    });
    wipe->wipeButtonAction();
    ASSERT_EQ(factory.fill->started, 1);
    for (CustemTypeButtonView* tab : main.allTypeButArr)
        EXPECT_FALSE(tab->isEnd()) << "a tab stayed usable during the run";
    screentest::savePng(main.window(), "MainWindow-wipe-running");
    // Quitting mid-run stops it and removes what the fill left.
    main.removeFolderInWipeVolumes();
    EXPECT_GE(factory.fill->removeCalls, 1);
    factory.fill->finish();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return !wipe->run().isRunning(); }, 5000));
    for (CustemTypeButtonView* tab : main.allTypeButArr)
        EXPECT_TRUE(tab->isEnd());
}
