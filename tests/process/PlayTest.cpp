// The README's play command on a machine without a display: the game runs
// under a virtual X server, its window is photographed, Escape closes it.
#include <gtest/gtest.h>

#include <FreeImage.h>

#include <array>
#include <cstdio>
#include <memory>
#include <string>

#include "support/TestSupport.h"

namespace BV {
namespace {

std::string run(const std::string& command)
{
    std::string output;
    const std::unique_ptr<FILE, decltype(&pclose)> pipe(popen(command.c_str(), "r"), &pclose);
    std::array<char, 256> buffer{};
    while (pipe && fgets(buffer.data(), buffer.size(), pipe.get())) {
        output += buffer.data();
    }
    return output;
}

// Average brightness (0 to 255) of a square of the image around (x, y),
// y from the top.
double brightness(FIBITMAP* image, unsigned x, unsigned y, unsigned half)
{
    const unsigned height = FreeImage_GetHeight(image);
    double sum = 0.0;
    unsigned count = 0;
    for (unsigned v = y - half; v <= y + half; ++v) {
        for (unsigned u = x - half; u <= x + half; ++u) {
            RGBQUAD colour{};
            FreeImage_GetPixelColor(image, u, height - 1 - v, &colour);
            sum += (colour.rgbRed + colour.rgbGreen + colour.rgbBlue) / 3.0;
            ++count;
        }
    }
    return sum / count;
}

TEST(PlayTest, HeadlessPlaySavesAScreenshotOfThePlanetAndClosesOnEscape)
{
    testkit::ScratchDir dir;
    const std::string shot = dir.file("shot.png");
    // The test already runs under a virtual X server; the script uses it.
    // The game checks its own rules every frame: a broken one would log.
    const std::string output =
        run("BREVAMOOR_CHECK=1 BV_INSIDE_XVFB=1 " BV_SOURCE_DIR "/scripts/headless-play.sh " BV_RUN_DIR " 6 " + shot +
            " 2>&1");
    EXPECT_NE(output.find("play: screenshot saved to " + shot), std::string::npos) << output;
    EXPECT_NE(output.find("closed on Escape with exit status 1"), std::string::npos) << output;
    EXPECT_EQ(testkit::readFile(std::string(BV_RUN_DIR) + "/BVLog.log"), "");

    FIBITMAP* image = FreeImage_Load(FIF_PNG, shot.c_str());
    ASSERT_NE(image, nullptr);
    const unsigned width = FreeImage_GetWidth(image);
    const unsigned height = FreeImage_GetHeight(image);
    EXPECT_EQ(width, 1280u); // the default configuration's window
    EXPECT_EQ(height, 720u);
    // The lit planet with the player's territory fills the middle; the
    // corners are night sky.
    const double middle = brightness(image, width / 2, height / 2, 40);
    const double corner = brightness(image, 20, 20, 10);
    EXPECT_GT(middle, 60.0);
    EXPECT_LT(corner, 40.0);
    EXPECT_GT(middle, 2.0 * corner);
    FreeImage_Unload(image);
}

} // namespace
} // namespace BV
