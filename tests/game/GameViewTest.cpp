// What the player sees of a real game under the view switches, read back
// from the window's pixels.
#include <vector>

#include "game/GameFixture.h"

namespace BV {
namespace {

class GameViewTest : public testkit::GameFixture {
protected:
    void TearDown() override
    {
        Statistics* statistics = Statistics::getInstance();
        statistics->wireframe = false;
        statistics->overlayVisible = false;
        GameFixture::TearDown();
    }

    // One frame of the game as it reached the window (bottom row first).
    std::vector<unsigned char> frame(const char* png)
    {
        step(0.02);
        std::vector<unsigned char> pixels = scenetest::readWindow();
        testkit::savePng(png, scenetest::WINDOW_WIDTH, scenetest::WINDOW_HEIGHT, pixels);
        return pixels;
    }
};

// Of the pixels in the rectangle (x, y from the top-left corner), the share
// whose red, green and blue add up to more than `above`.
double shareAbove(const std::vector<unsigned char>& pixels, int above, int left, int top, int width, int height)
{
    int count = 0;
    for (int y = top; y < top + height; ++y) {
        for (int x = left; x < left + width; ++x) {
            const scenetest::Pixel p = scenetest::pixelOf(pixels, x, y);
            count += p.r + p.g + p.b > above ? 1 : 0;
        }
    }
    return static_cast<double>(count) / (width * height);
}

// F3 turns the 3D world into lines and nothing else: the planet's disc
// becomes its triangles' edges over the dark sky, while the statistics panel
// drawn over it stays a filled panel. (Were the copy to the window drawn as
// lines too, the window would be black but for one diagonal.)
TEST_F(GameViewTest, WireframeDrawsTheWorldAsLinesAndTheOverlaysFilled)
{
    Statistics* statistics = Statistics::getInstance();
    // The overlay may have been made by an earlier test before any loader
    // existed; give it its panel.
    if (!statistics->panelTexture || !statistics->panelTexture->isLoaded()) {
        statistics->panelTexture =
            static_cast<Texture*>(ResourceManager::getInstance()->getResource("resources/textures/ui/debug.dds"));
        statistics->panelTexture->ensureLoaded();
    }
    statistics->overlayVisible = true;
    const std::vector<unsigned char> filled = frame("game_filled.png");
    statistics->toggleWireframe();
    const std::vector<unsigned char> lines = frame("game_wireframe.png");

    // A square in the planet's middle, clear of the panel.
    const int left = scenetest::WINDOW_WIDTH / 2 - 100;
    const int top = scenetest::WINDOW_HEIGHT / 2 - 50;
    EXPECT_GT(shareAbove(filled, 60, left, top, 200, 200), 0.95);
    const double edges = shareAbove(lines, 60, left, top, 200, 200);
    EXPECT_GT(edges, 0.03);
    EXPECT_LT(edges, 0.5);
    const Texture* panel = statistics->panelTexture;
    ASSERT_TRUE(panel && panel->width > 0 && panel->height > 0);
    EXPECT_GT(shareAbove(lines, 20, 2, 2, panel->width - 4, panel->height - 4), 0.95);
}

} // namespace
} // namespace BV
