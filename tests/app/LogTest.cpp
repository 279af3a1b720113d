#include <gtest/gtest.h>

#include "app/Log.h"
#include "support/TestSupport.h"

namespace BV {
namespace {

TEST(LogTest, OnlyCriticalLinesReachFileAndConsoleIdentically)
{
    testkit::LogWatch watch;
    testing::internal::CaptureStdout();
    Log::getInstance().write("quiet info", INFO);
    Log::getInstance().write("quiet trace", TRACE);
    Log::getInstance().write("Failed to create Window!", CRITICAL);
    Log::getInstance().write("", CRITICAL);
    Log::getInstance().write("no prefix", 0);
    const std::string console = testing::internal::GetCapturedStdout();

    const std::vector<std::string> expected = {"CRITICAL :Failed to create Window!", "CRITICAL :", "no prefix"};
    EXPECT_EQ(watch.lines(), expected);
    EXPECT_EQ(testkit::splitLines(console), expected);
}

TEST(LogTest, EachLineIsOnDiskBeforeWriteReturns)
{
    testkit::LogWatch watch;
    Log::getInstance().write("flushed", CRITICAL);
    // Read back through a separate stream while the log's own stream is open.
    ASSERT_EQ(watch.lines().size(), 1u);
    EXPECT_EQ(watch.lines()[0], "CRITICAL :flushed");
}

} // namespace
} // namespace BV
