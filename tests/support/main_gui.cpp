// Test main for programs with widgets: an offscreen QApplication that fails a
// test in which an unexpected modal dialog opens (DialogGuard.h).
#include "DialogGuard.h"
#include "TestSupport.h"
#include "platform/Dispatch.h"

#include "platform/gui/Language.h"
#include "toolkit/ApplicationLook.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace nvtest { void prepareEnvironment(); void removeSandbox(); }

int main(int argc, char** argv)
{
    nvtest::prepareEnvironment();
    platform::preferChineseDates();
    QApplication app(argc, argv);
    // As in the program: Qt's own widgets dark and in Chinese from the first one.
    toolkit::setUpApplicationLook();
    nvtest::installDialogGuard();
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    // Work a test left running on a worker thread (an update check, say) must
    // not outlive the application object or find its sandbox gone.
    platform::dispatch::waitForGlobalQueues(60000);
    nvtest::removeSandbox();
    return result;
}
