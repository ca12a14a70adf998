// The Browser Cleaner is what the main window's Browser Cleaner tab shows.
#include "TestSupport.h"

#include "shell/ToolScreens.h"
#include "tools/inter/InternetViewController.h"
#include "toolkit/ToolArea.h"

#include <gtest/gtest.h>

TEST(BrowserCleanerTab, TheFactoryMakesTheBrowserCleanerScreen)
{
    ToolScreenFactory factory;
    std::unique_ptr<ToolScreen> screen = factory.makeInternet();
    auto* internet = dynamic_cast<InternetViewController*>(screen.get());
    ASSERT_TRUE(internet);
    EXPECT_EQ(screen->view()->size(), QSize(toolkit::kToolWidth, toolkit::kToolHeight));
    EXPECT_EQ(internet->currentPanel(), InternetViewController::Panel::Start);
    EXPECT_TRUE(screen->stopRunningWork(1000));
}
