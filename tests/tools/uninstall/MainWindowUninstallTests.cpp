// The App Uninstaller inside the real main window: its tab shows it, with the
// fixture applications listed.
#include "ScreenTestSupport.h"
#include "UninstallFixtures.h"

#include "shell/BaseWindow.h"
#include "shell/MainWindowController.h"
#include "tools/uninstall/UninstallViewController.h"

static ::testing::Environment* const kNoAnimations = ::testing::AddGlobalTestEnvironment(new screentest::NoAnimations);

TEST(UninstallerInTheMainWindow, TheTabShowsTheUninstallerWithItsList)
{
    fx::resetRoot();
    fx::makeBundle(fx::at("/Applications/Notes Keeper.app"), fx::appInfo("Notes Keeper", "org.notes.keeper", "5.2"));
    fx::makeFile(fx::at("/Applications/Notes Keeper.app/Contents/MacOS/notes"), 250000);
    fx::makeBundle(fx::at("~/Applications/Paint Box.app"), fx::appInfo("Paint Box", "org.paint.box", "0.9"));

    MainWindowController main;
    main.window()->show();
    auto* uninstaller = dynamic_cast<UninstallViewController*>(main.uninstallVC.get());
    ASSERT_NE(uninstaller, nullptr) << "the App Uninstaller tab holds no uninstaller";
    EXPECT_EQ(uninstaller->view()->parentWidget(), main.uninstallBaseView);
    main.mouseClickAction(4);
    ASSERT_TRUE(nvtest::pumpUntil([&] { return !uninstaller->engine().isScan() && main.uninstallBaseView->isVisible(); }));
    EXPECT_EQ(fx::namesOf(uninstaller->list().showListArr()).size(), 2);
    main.window()->grab();
    nvtest::pump(300);
    screentest::savePng(main.window(), QStringLiteral("MainWindow-uninstaller"));
}
