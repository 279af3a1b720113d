// The README's play command on a machine without a display: the game runs
// under a virtual X server, its window is photographed, Escape closes it.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <memory>
#include <string>

#include "support/ImageCompare.h"
#include "support/TestSupport.h"

namespace BV {
namespace {

// Average brightness (0 to 255) of the square of the image around (x, y),
// y from the top.
double brightness(const testkit::Image& image, int x, int y, int half)
{
    double sum = 0.0;
    for (int v = image.height - 1 - y - half; v <= image.height - 1 - y + half; ++v) {
        for (int u = x - half; u <= x + half; ++u) {
            const unsigned char* p = &image.rgba[(static_cast<std::size_t>(v) * image.width + u) * 4];
            sum += (p[0] + p[1] + p[2]) / 3.0;
        }
    }
    return sum / ((2 * half + 1) * (2 * half + 1));
}

TEST(PlayTest, HeadlessPlaySavesAScreenshotOfThePlanetAndClosesOnEscape)
{
    testkit::ScratchDir dir;
    const std::string shot = dir.file("shot.png");
    // The test already runs under a virtual X server; the script uses it.
    // The game checks its own rules every frame: a broken one would log.
    const std::string command = "BREVAMOOR_CHECK=1 BV_INSIDE_XVFB=1 " BV_SOURCE_DIR
                                "/scripts/headless-play.sh " BV_RUN_DIR " 6 " +
                                shot + " 2>&1";
    std::string output;
    const std::unique_ptr<FILE, decltype(&pclose)> pipe(popen(command.c_str(), "r"), &pclose);
    for (std::array<char, 256> buffer{}; pipe && fgets(buffer.data(), buffer.size(), pipe.get());) {
        output += buffer.data();
    }
    EXPECT_NE(output.find("play: screenshot saved to " + shot), std::string::npos) << output;
    EXPECT_NE(output.find("closed on Escape with exit status 1"), std::string::npos) << output;
    EXPECT_EQ(testkit::readFile(std::string(BV_RUN_DIR) + "/BVLog.log"), "");

    testkit::Image image;
    ASSERT_TRUE(testkit::readPng(shot, image));
    EXPECT_EQ(image.width, 1280); // the default configuration's window
    EXPECT_EQ(image.height, 720);
    // The lit planet with the player's territory fills the middle; the
    // corners are night sky.
    const double middle = brightness(image, image.width / 2, image.height / 2, 40);
    const double corner = brightness(image, 20, 20, 10);
    EXPECT_GT(middle, 60.0);
    EXPECT_LT(corner, 40.0);
    EXPECT_GT(middle, 2.0 * corner);
}

} // namespace
} // namespace BV
