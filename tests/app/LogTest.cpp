#include <gtest/gtest.h>

#include "app/Log.h"
#include "support/TestSupport.h"

namespace BV {
namespace {

TEST(LogTest, OnlyCriticalLinesReachFileAndConsoleIdenticallyAndAtOnce)
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

    // Each line is on disk before write returns: read back through a
    // separate stream while the log's own stream is open.
    testkit::LogWatch later;
    Log::getInstance().write("flushed", CRITICAL);
    EXPECT_EQ(later.lines(), std::vector<std::string>{"CRITICAL :flushed"});
}

} // namespace
} // namespace BV
