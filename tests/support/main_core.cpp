// Test main for programs that need only Qt Core.
#include "TestSupport.h"
#include "platform/Dispatch.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace nvtest { void prepareEnvironment(); void removeSandbox(); }

int main(int argc, char** argv)
{
    nvtest::prepareEnvironment();
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    // Work a test left running on a worker thread (an update check, say) must
    // not outlive the application object or find its sandbox gone.
    platform::dispatch::waitForGlobalQueues(60000);
    nvtest::removeSandbox();
    return result;
}
