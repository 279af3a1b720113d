// The real executable, started in a scratch working directory: how start-up
// ends on each kind of bad configuration, and that a good one opens the game.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "support/TestSupport.h"

namespace BV {
namespace {

using testkit::ProcessOptions;
using testkit::ProcessResult;

const char* const goodConfig =
    "resolution_x = 640\nresolution_y = 480\nfullscreen = 0\nrefresh_rate = 0\nplanet_size = 3\n";

ProcessResult runWith(const char* config)
{
    ProcessOptions options;
    options.config = config;
    return testkit::runGame(options);
}

// A fatal start-up error: exit status 1 and exactly this one log line.
void expectFatal(const char* config, const std::string& line)
{
    const ProcessResult result = runWith(config);
    EXPECT_FALSE(result.timedOut) << config;
    EXPECT_EQ(result.exitStatus, 1) << config;
    EXPECT_EQ(testkit::splitLines(result.log), std::vector<std::string>{line}) << config;
    // The console carries the same line.
    EXPECT_EQ(testkit::splitLines(result.output), std::vector<std::string>{line}) << config;
}

TEST(StartupTest, WithoutADisplayTheGameStopsBeforeReadingItsConfiguration)
{
    ProcessOptions options;
    options.withoutDisplay = true; // and no configuration file either
    const ProcessResult result = testkit::runGame(options);
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(testkit::splitLines(result.log), std::vector<std::string>{"CRITICAL :Failed to initialize GLFW!"});
}

// Line numbers count comment and blank lines; missing keys are reported in
// reading order; numbers are converted when read, and planet_size is read by
// the game after the window opened.
TEST(StartupTest, BadConfigurationsEndTheProcessWithTheirOwnLine)
{
    const std::string file = "CRITICAL :Failed to load Config File (";
    const std::string window = "resolution_x = 640\nresolution_y = 480\nfullscreen = 0\nrefresh_rate = 0\n";
    expectFatal(nullptr, file + "Could not open File: Brevamoor.config)");
    const std::pair<std::string, std::string> cases[] = {
        {"; comment\n\nresolution_x = 640\nresolution_y 480\n", file + "Could not find separator on line: 4)"},
        {"resolution_x = 640\n\t\n", file + "Could not find separator on line: 2)"},
        {"\n\n= 640\n", file + "Bad format on Line: 3)"},
        {"fullscreen =   \n", file + "Bad format on Line: 1)"},
        {"fullscreen = ; nothing left\n", file + "Bad format on Line: 1)"},
        {"planet_size = 3\n; again\nplanet_size = 4\n", file + "Duplicated value for: planet_size)"},
        {"fullscreen = 0\nplanet_size = 3\n", "CRITICAL :Failed to get Value for: refresh_rate"},
        {"refresh_rate = 0\nresolution_x = 640\nresolution_y = 480\n", "CRITICAL :Failed to get Value for: fullscreen"},
        {"refresh_rate = 0\nfullscreen = 0\nresolution_x = 640\n", "CRITICAL :Failed to get Value for: resolution_y"},
        {"refresh_rate = 0\nfullscreen = 0\nresolution_y = 480\n", "CRITICAL :Failed to get Value for: resolution_x"},
        {"resolution_x = wide\nresolution_y = 480\nfullscreen = 0\nrefresh_rate = 0\n",
         "CRITICAL :Failed to Convert: wide"},
        // A tab after the equals sign passes the format check and stores nothing.
        {"resolution_x = 640\nresolution_y = 480\nfullscreen =\t\nrefresh_rate = 0\n", "CRITICAL :Failed to Convert: "},
        // A negative size must not wrap around into a 4-billion-pixel window.
        {"resolution_x = -1\nresolution_y = 480\nfullscreen = 0\nrefresh_rate = 0\n",
         "CRITICAL :Failed to Convert: -1"},
        {"resolution_x = 640\nresolution_y = 480\nfullscreen = 0\nrefresh_rate = 70000\n",
         "CRITICAL :Failed to Convert: 70000"},
        {window, "CRITICAL :Failed to get Value for: planet_size"},
        // 0 would divide by zero in the tower scale; 10 asks for 590,000 tiles.
        {window + "planet_size = 0\n", "CRITICAL :Unsupported value for planet_size: 0 (supported: 1 to 9)"},
        {window + "planet_size = 10\n", "CRITICAL :Unsupported value for planet_size: 10 (supported: 1 to 9)"},
    };
    for (const auto& [config, line] : cases) {
        expectFatal(config.c_str(), line);
    }
}

TEST(StartupTest, AbsurdWindowSizeIsRefusedWithoutOpeningAWindow)
{
    const ProcessResult result =
        runWith("resolution_x = 400000\nresolution_y = 480\nfullscreen = 0\nrefresh_rate = 0\nplanet_size = 3\n");
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(testkit::splitLines(result.log),
              (std::vector<std::string>{
                  "CRITICAL :Failed to create Window: 400000 x 480 is larger than 16384 pixels on a side.",
                  "CRITICAL :Failed to create Window!"}));
}

// Sends Escape to the game's window as a player would.
void pressEscape(pid_t pid)
{
    // Keys typed through the X test extension reach the focused window; the
    // virtual X server has no window manager to focus it for us.
    const std::string command = "w=$(xdotool search --pid " + std::to_string(pid) +
                                " | head -n 1) && xdotool windowfocus \"$w\" && xdotool key Escape";
    EXPECT_EQ(std::system(command.c_str()), 0);
}

TEST(StartupTest, GameRunsUntilEscapeAndEndsWithStatusOneAndAnEmptyLog)
{
    ProcessOptions options;
    options.config = goodConfig;
    options.settleSeconds = 6.0;
    options.timeoutSeconds = 20.0;
    options.whileRunning = pressEscape;
    const ProcessResult result = testkit::runGame(options);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.log, "");
}

} // namespace
} // namespace BV
