// The real executable, started in a scratch working directory: how start-up
// ends on each kind of bad configuration, and that a good one opens the game.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace BV {
namespace {

using testkit::ProcessOptions;
using testkit::ProcessResult;
using Lines = std::vector<std::string>;

// A fatal start-up error: exit status 1 and exactly these lines, in the log
// and on the console.
void expectFatal(const ProcessOptions& options, const Lines& lines)
{
    const ProcessResult result = testkit::runGame(options);
    SCOPED_TRACE(options.config ? options.config : "(no file)");
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(testkit::splitLines(result.log), lines);
    EXPECT_EQ(testkit::splitLines(result.output), lines);
}

// Without a display the game stops before reading its configuration. Line
// numbers count comment and blank lines; missing keys are reported in
// reading order; numbers are converted when read, and planet_size is read by
// the game after the window opened.
TEST(StartupTest, BadConfigurationsEndTheProcessWithTheirOwnLines)
{
    ProcessOptions options;
    options.withoutDisplay = true; // and no configuration file either
    expectFatal(options, {"CRITICAL :Failed to initialize GLFW!"});
    const std::string file = "CRITICAL :Failed to load Config File (";
    expectFatal({}, {file + "Could not open File: Brevamoor.config)"});
    const std::string window = "resolution_x = 640\nresolution_y = 480\nfullscreen = 0\nrefresh_rate = 0\n";
    const struct {
        std::string config;
        Lines lines;
    } cases[] = {
        {"; comment\n\nresolution_x = 640\nresolution_y 480\n", {file + "Could not find separator on line: 4)"}},
        {"resolution_x = 640\n\t\n", {file + "Could not find separator on line: 2)"}},
        {"\n\n= 640\n", {file + "Bad format on Line: 3)"}},
        {"fullscreen =   \n", {file + "Bad format on Line: 1)"}},
        {"fullscreen = ; nothing left\n", {file + "Bad format on Line: 1)"}},
        {"planet_size = 3\n; again\nplanet_size = 4\n", {file + "Duplicated value for: planet_size)"}},
        {"fullscreen = 0\nplanet_size = 3\n", {"CRITICAL :Failed to get Value for: refresh_rate"}},
        {"refresh_rate = 0\nresolution_x = 640\nresolution_y = 480\n",
         {"CRITICAL :Failed to get Value for: fullscreen"}},
        {"refresh_rate = 0\nfullscreen = 0\nresolution_x = 640\n", {"CRITICAL :Failed to get Value for: resolution_y"}},
        {"refresh_rate = 0\nfullscreen = 0\nresolution_y = 480\n", {"CRITICAL :Failed to get Value for: resolution_x"}},
        {"resolution_x = wide\nresolution_y = 480\nfullscreen = 0\nrefresh_rate = 0\n",
         {"CRITICAL :Failed to Convert: wide"}},
        // A tab after the equals sign passes the format check and stores nothing.
        {"resolution_x = 640\nresolution_y = 480\nfullscreen =\t\nrefresh_rate = 0\n",
         {"CRITICAL :Failed to Convert: "}},
        // A negative size must not wrap around into a 4-billion-pixel window.
        {"resolution_x = -1\nresolution_y = 480\nfullscreen = 0\nrefresh_rate = 0\n",
         {"CRITICAL :Failed to Convert: -1"}},
        {"resolution_x = 640\nresolution_y = 480\nfullscreen = 0\nrefresh_rate = 70000\n",
         {"CRITICAL :Failed to Convert: 70000"}},
        // Refused before any X request.
        {"resolution_x = 400000\nresolution_y = 480\nfullscreen = 0\nrefresh_rate = 0\nplanet_size = 3\n",
         {"CRITICAL :Failed to create Window: 400000 x 480 is larger than 16384 pixels on a side.",
          "CRITICAL :Failed to create Window!"}},
        {window, {"CRITICAL :Failed to get Value for: planet_size"}},
        // 0 would divide by zero in the tower scale; 10 asks for 590,000 tiles.
        {window + "planet_size = 0\n", {"CRITICAL :Unsupported value for planet_size: 0 (supported: 1 to 9)"}},
        {window + "planet_size = 10\n", {"CRITICAL :Unsupported value for planet_size: 10 (supported: 1 to 9)"}},
    };
    for (const auto& c : cases) {
        options = {};
        options.config = c.config.c_str();
        expectFatal(options, c.lines);
    }
}

// Images the game needs, damaged or missing: each is named once, by the part
// that needs it (a sky box face of another size by the cube map too, and a
// material holding a failed image by the material), and the game runs on
// without it until Escape.
TEST(StartupTest, DamagedImagesAreNamedOnceAndTheGameRunsOnWithoutThem)
{
    const std::string textures = "resources/textures/", built = std::string(BV_RUN_DIR) + "/" + textures;
    std::mt19937 random(9);
    std::string noise(4000, '\0');
    std::generate(noise.begin(), noise.end(), [&] { return static_cast<char>(random()); });
    ProcessOptions options;
    options.config = "resolution_x = 640\nresolution_y = 480\nfullscreen = 0\nrefresh_rate = 0\nplanet_size = 3\n";
    options.settleSeconds = 6.0;
    // Keys typed through the X test extension reach the focused window; the
    // virtual X server has no window manager to focus it for us.
    options.whileRunning = [](pid_t pid) {
        EXPECT_EQ(std::system(("w=$(xdotool search --pid " + std::to_string(pid) +
                               " | head -n 1) && xdotool windowfocus \"$w\" && xdotool key Escape")
                                  .c_str()),
                  0);
    };
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
    const std::string side =
        std::to_string(std::lround(std::sqrt((testkit::readFile(built + "cubemap/galaxy_px.dds").size() - 128) / 4.0)));
    const std::string sky = textures + "cubemap/galaxy.xcm";
    Lines expected = {
        "CRITICAL :Failed to load CubeMap: " + sky + ": Face " + textures +
            "cubemap/galaxy_ny.dds is 64 x 64 pixels, not " + side + " x " + side + " like the first face.",
        "CRITICAL :Failed to load Texture: " + sky,
        "CRITICAL :Failed to Load Material: Skybox.mmat: Failed to load Texture: " + sky,
        "CRITICAL :Failed to load Manual Mesh skybox.mesh: Failed to load Material Skybox.mmat",
        "CRITICAL :Failed to Load Material: Planet.mmat: Failed to load Texture: " + textures + "planet_grid.dds",
    };
    for (const char* image : {"planet_grid.dds", "planet_halo.dds", "status/full.dds", "ui/debug.dds",
                              "status/building.dds", "cursor/default.dds", "lensflare/flare2.dds", "gameOver.dds"}) {
        expected.push_back("CRITICAL :Failed to load Texture: " + textures + image);
    }
    Lines lines = testkit::splitLines(result.log);
    std::sort(lines.begin(), lines.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(lines, expected);
}

} // namespace
} // namespace BV
