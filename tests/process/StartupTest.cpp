// The real executable, started in a scratch working directory; and the
// layers of its source.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <cstdlib>
#include <random>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "support/ImageCompare.h"
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
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(testkit::splitLines(result.log), lines);
    EXPECT_EQ(testkit::splitLines(result.output), lines);
}

// Without a display the game stops before reading its configuration. Line
// numbers count comment and blank lines; missing keys come in reading order.
TEST(StartupTest, BadConfigurationsEndTheProcessWithTheirOwnLines)
{
    ProcessOptions options;
    options.withoutDisplay = true; // and no configuration file either
    expectFatal(options, {"CRITICAL :Failed to initialize GLFW!"});
    const std::string file = "CRITICAL :Failed to load Config File (";
    expectFatal({}, {file + "Could not open File: Brevamoor.config)"});
    const std::string window = "resolution_x = 640\nresolution_y = 480\nfullscreen = 0\nrefresh_rate = 0\n";
    const auto with = [&](const std::string& key, const std::string& value) {
        return std::regex_replace(window, std::regex(key + " = [^\n]*"), key + " = " + value);
    };
    const struct {
        std::string config;
        Lines lines;
    } cases[] = {
        {"; comment\n\nresolution_x = 640\nresolution_y 480\n", {file + "Could not find separator on line: 4)"}},
        {"resolution_x = 640\n\t\n", {file + "Could not find separator on line: 2)"}},
        {"\n\n= 640\n", {file + "Bad format on Line: 3)"}},
        {"fullscreen = ; nothing left\n", {file + "Bad format on Line: 1)"}},
        {"planet_size = 3\n; again\nplanet_size = 4\n", {file + "Duplicated value for: planet_size)"}},
        {"fullscreen = 0\nplanet_size = 3\n", {"CRITICAL :Failed to get Value for: refresh_rate"}},
        {"refresh_rate = 0\nresolution_x = 640\nresolution_y = 480\n",
         {"CRITICAL :Failed to get Value for: fullscreen"}},
        {"refresh_rate = 0\nfullscreen = 0\nresolution_x = 640\n", {"CRITICAL :Failed to get Value for: resolution_y"}},
        {"refresh_rate = 0\nfullscreen = 0\nresolution_y = 480\n", {"CRITICAL :Failed to get Value for: resolution_x"}},
        {with("resolution_x", "wide"), {"CRITICAL :Failed to Convert: wide"}},
        // A tab after the equals sign passes the format check and stores nothing.
        {with("fullscreen", "\t"), {"CRITICAL :Failed to Convert: "}},
        // A negative size must not wrap around into a 4-billion-pixel window.
        {with("resolution_x", "-1"), {"CRITICAL :Failed to Convert: -1"}},
        {with("refresh_rate", "70000"), {"CRITICAL :Failed to Convert: 70000"}},
        // Refused before any X request.
        {with("resolution_x", "400000") + "planet_size = 3\n",
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

// Each damaged or missing image is named once by the part that needs it (a
// sky face of another size by the cube map too, a material by the material).
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
    EXPECT_EQ(result.exitStatus, 1);

    const std::string sky = textures + "cubemap/galaxy.xcm";
    Lines expected = {
        "CRITICAL :Failed to load CubeMap: " + sky + ": Face " + textures +
            "cubemap/galaxy_ny.dds is 64 x 64 pixels, not 1024 x 1024 like the first face.",
        "CRITICAL :Failed to load Texture: " + sky,
        "CRITICAL :Failed to Load Material: Skybox.mmat: Failed to load Texture: " + sky,
        "CRITICAL :Failed to load Manual Mesh skybox.mesh: Failed to load Material Skybox.mmat",
        "CRITICAL :Failed to Load Material: Planet.mmat: Failed to load Texture: " + textures + "planet_grid.dds",
    };
    for (const char* image : {"planet_grid.dds", "planet_halo.dds", "status/full.dds", "ui/debug.dds",
                              "status/building.dds", "cursor/default.dds", "lensflare/flare2.dds", "gameOver.dds"})
        expected.push_back("CRITICAL :Failed to load Texture: " + textures + image);
    const Lines lines = testkit::splitLines(result.log); // in any order
    EXPECT_EQ(std::multiset(lines.begin(), lines.end()), std::multiset(expected.begin(), expected.end()));
}

TEST(PlayTest, HeadlessPlaySavesAScreenshotOfThePlanetAndClosesOnEscape)
{
    testkit::ScratchDir dir;
    const std::string shot = dir.file("shot.png");
    // The test already runs under a virtual X server; the script uses it.
    // The game checks its own rules every frame: a broken one would log.
    const std::string command = "BREVAMOOR_CHECK=1 BV_INSIDE_XVFB=1 " BV_SOURCE_DIR
                                "/scripts/headless-play.sh " BV_RUN_DIR " 6 " +
                                shot + " > " + dir.file("output.txt") + " 2>&1";
    const int status = std::system(command.c_str());
    const std::string output = testkit::readFile(dir.file("output.txt"));
    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find("play: screenshot saved to " + shot), std::string::npos) << output;
    EXPECT_NE(output.find("closed on Escape with exit status 1"), std::string::npos) << output;
    EXPECT_EQ(testkit::readFile(std::string(BV_RUN_DIR) + "/BVLog.log"), "");

    testkit::Image image;
    ASSERT_TRUE(testkit::readPng(shot, image));
    EXPECT_EQ(std::pair(image.width, image.height), std::pair(1280, 720)); // the default configuration's window
    // Mean brightness (0 to 255) of the pixels within half of (x, y), y from the top.
    const auto brightness = [&image](int x, int y, int half) {
        double sum = 0.0;
        for (int v = image.height - 1 - y - half; v <= image.height - 1 - y + half; ++v)
            for (int u = (x - half) * 4; u < (x + half + 1) * 4; ++u)
                sum += u % 4 == 3 ? 0 : image.rgba[static_cast<std::size_t>(v) * image.width * 4 + u] / 3.0;
        return sum / ((2 * half + 1) * (2 * half + 1));
    };
    // The lit planet with the player's territory fills the middle; the
    // corners are night sky.
    const double middle = brightness(image.width / 2, image.height / 2, 40), corner = brightness(20, 20, 10);
    EXPECT_GT(middle, 60.0);
    EXPECT_LT(corner, 40.0);
    EXPECT_GT(middle, 2.0 * corner);
}

// Every include in src/ points to its own layer or one below it (app <-
// resources <- scene <- game); only main.cpp, outside them all, uses every layer.
TEST(LayersTest, EveryIncludeInSourcePointsToItsOwnLayerOrOneBelow)
{
    const std::string layers[] = {"app", "resources", "scene", "game"};
    const std::regex include("#include \"([a-z]+)/");
    int files = 0;
    for (int level = 0; level < 4; ++level) {
        const std::filesystem::path folder = std::filesystem::path(BV_SOURCE_DIR) / "src" / layers[level];
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
            const std::string text = testkit::readFile(entry.path().string());
            ++files;
            for (std::sregex_iterator it(text.begin(), text.end(), include), end; it != end; ++it)
                EXPECT_LE(std::find(layers, layers + 4, (*it)[1]) - layers, level) << entry.path() << " " << it->str();
        }
    }
    EXPECT_GT(files, 100);
}

} // namespace
} // namespace BV
