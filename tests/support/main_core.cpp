// Test main for programs that need only Qt Core.
#include "TestSupport.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace nvtest { void prepareEnvironment(); void removeSandbox(); }

int main(int argc, char** argv)
{
    nvtest::prepareEnvironment();
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    nvtest::removeSandbox();
    return result;
}
