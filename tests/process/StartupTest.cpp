// The real executable, started in a scratch working directory: how start-up
// ends on each kind of bad configuration, and that a good one opens the game.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
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

// A good configuration, and Escape once the game had time to open.
ProcessOptions endedByEscape()
{
    ProcessOptions options;
    options.config = goodConfig;
    options.settleSeconds = 6.0;
    options.whileRunning = pressEscape;
    return options;
}

// Images the game needs, damaged or missing: each is named once, by the part
// that needs it (a sky box face of another size by the cube map too, and a
// material holding a failed image by the material), and the game runs on
// without it until Escape.
TEST(StartupTest, DamagedImagesAreNamedOnceAndTheGameRunsOnWithoutThem)
{
    const std::string textures = "resources/textures/";
    const std::string built = std::string(BV_RUN_DIR) + "/" + textures;
    std::mt19937 random(9);
    std::string noise(4000, '\0');
    for (char& byte : noise) {
        byte = static_cast<char>(random());
    }
    ProcessOptions options = endedByEscape();
    options.replacedFiles = {
        {textures + "planet_grid.dds", testkit::readFile(built + "planet_grid.dds").substr(0, 3000)},
        {textures + "planet_halo.dds", testkit::readFile(built + "planet_halo.dds").substr(0, 100)}, // header cut
        {textures + "status/full.dds", ""},
        {textures + "ui/debug.dds", noise},
        {textures + "status/building.dds", noise.substr(0, 1000)},
        {textures + "cubemap/galaxy_ny.dds", testkit::readFile(built + "swarm.dds")}, // 64 x 64
    };
    options.removedFiles = {textures + "cursor/default.dds", textures + "lensflare/flare2.dds",
                            textures + "gameOver.dds"};
    const ProcessResult result = testkit::runGame(options);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitStatus, 1);

    // The built faces are uncompressed 32-bit squares after a 128-byte header.
    const auto side = static_cast<int>(
        std::lround(std::sqrt((testkit::readFile(built + "cubemap/galaxy_px.dds").size() - 128) / 4.0)));
    const std::string face = std::to_string(side) + " x " + std::to_string(side);
    const std::string failed = "CRITICAL :Failed to load Texture: " + textures;
    const std::string sky = textures + "cubemap/galaxy.xcm";
    std::vector<std::string> expected = {
        "CRITICAL :Failed to load CubeMap: " + sky + ": Face " + textures +
            "cubemap/galaxy_ny.dds is 64 x 64 pixels, not " + face + " like the first face.",
        "CRITICAL :Failed to load Texture: " + sky,
        "CRITICAL :Failed to Load Material: Skybox.mmat: Failed to load Texture: " + sky,
        "CRITICAL :Failed to load Manual Mesh skybox.mesh: Failed to load Material Skybox.mmat",
        "CRITICAL :Failed to Load Material: Planet.mmat: Failed to load Texture: " + textures + "planet_grid.dds",
    };
    for (const char* image : {"planet_grid.dds", "planet_halo.dds", "status/full.dds", "ui/debug.dds",
                              "status/building.dds", "cursor/default.dds", "lensflare/flare2.dds", "gameOver.dds"}) {
        expected.push_back(failed + image);
    }
    std::vector<std::string> lines = testkit::splitLines(result.log);
    std::sort(lines.begin(), lines.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(lines, expected);
}

} // namespace
} // namespace BV
