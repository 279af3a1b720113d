// The overlay: drawn rectangles, the pointer, the render switches and the
// statistics panel's values in their places.
#include <cstdint>

#include "scene/Cursor.h"
#include "scene/SceneFixture.h"

namespace BV::scenetest {
namespace {

// A 200 x 50 atlas of flat cells, rows of 10 from the bottom: trilinear,
// linear, nearest, culling (on left, off right), digits 20 pixels wide.
constexpr Pixel cullingOn{0, 0, 60}, cullingOff{0, 0, 120}, black{0, 0, 0};
Pixel atlasColour(int x, int y)
{
    const Pixel rows[] = {
        {0, 180, 250}, {0, 120, 250}, {0, 60, 250}, x < 100 ? cullingOn : cullingOff, {x / 20 * 20 + 10, 200, 0}};
    return rows[y / 10];
}

// The window after `draw` on black in the overlay's state.
template <typename Draw> std::vector<unsigned char> drawn(Draw draw)
{
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    draw();
    return readWindow();
}

// Whether (x + step i, y) show the digits in order: d is red 20 d + 10, green 200.
testing::AssertionResult showsDigits(const std::vector<unsigned char>& window, int x, int y, const char* digits,
                                     int step)
{
    for (int i = 0; digits[i]; ++i) {
        if (!near(pixelOf(window, x + i * step, y), {(digits[i] - '0') * 20 + 10, 200, 0}, 0)) {
            return testing::AssertionFailure() << "digit " << i << " of " << digits << " at " << x << ", " << y;
        }
    }
    return testing::AssertionSuccess();
}

GLint minFilterOf(const Texture* texture)
{
    GLint value = 0;
    glBindTexture(texture->target, texture->handle);
    glGetTexParameteriv(texture->target, GL_TEXTURE_MIN_FILTER, &value);
    return value;
}

// The cursor's corner sits at the truncated mouse; an unknown mode is the arrow.
TEST(Drawing, RectangleCoversExactlyItsPixelsAndTheCursorItsModeAtTheTruncatedMouse)
{
    SceneFixture::initialiseOnce();
    // Red bottom row, green top row, drawn upright; the overlay checks the edges.
    Texture* twoRows = flatTexture("drawing_test_rows.tex", 1, 2, [](int, int y) {
        return y == 0 ? Pixel{255, 0, 0} : Pixel{0, 255, 0};
    });
    const std::vector<unsigned char> window = drawn([&] { Drawing::getInstance()->draw(twoRows, 100, 50, 40, 30); });
    EXPECT_TRUE(near(pixelOf(window, 100, 50), {0, 255, 0}, 0));
    EXPECT_TRUE(near(pixelOf(window, 139, 79), {255, 0, 0}, 0));

    Cursor* cursor = Cursor::getInstance();
    const auto drawCursor = [cursor](std::int32_t mode, float x, float y) {
        cursor->mode = mode;
        return drawn([&] { cursor->draw(x, y); });
    };
    const std::vector<unsigned char> arrow = drawCursor(Cursor::DEFAULT, 10.0f, 20.0f);
    EXPECT_TRUE(drawCursor(Cursor::DEFAULT, 10.9f, 20.2f) == arrow);
    EXPECT_FALSE(drawCursor(Cursor::DEFAULT, 11.0f, 20.0f) == arrow);
    EXPECT_FALSE(drawCursor(Cursor::DEFAULT, 10.0f, 21.0f) == arrow);
    EXPECT_TRUE(drawCursor(7, 10.0f, 20.0f) == arrow);
    for (std::int32_t mode : {Cursor::ATTACK, Cursor::BUILD, Cursor::SELECT}) {
        EXPECT_FALSE(drawCursor(mode, 10.0f, 20.0f) == arrow) << "mode " << mode;
    }
    // An image that failed to load (no size) draws nothing rather than blanket the window.
    cursor->mode = Cursor::DEFAULT;
    Texture* image = cursor->currentImage();
    const int width = image->width;
    image->width = 0;
    EXPECT_TRUE(drawCursor(Cursor::DEFAULT, 10.0f, 20.0f) == drawn([] {}));
    image->width = width;
}

TEST(StatisticsTest, SwitchesReachTheImageTexturesAndTheOverlayPutsEveryValueIntoItsPlace)
{
    SceneFixture::initialiseOnce();
    delete Statistics::getInstance();
    Statistics* stats = Statistics::getInstance(); // with the switches of a new run
    stats->toggleWireframe(); // a switch for the scene's 3D passes only: what is drawn outside them stays filled
    GLint mode[2] = {0, 0};
    glGetIntegerv(GL_POLYGON_MODE, mode);
    EXPECT_EQ(mode[0], GL_FILL);
    EXPECT_TRUE(stats->wireframe);
    stats->toggleWireframe();
    EXPECT_FALSE(stats->wireframe);

    // Sampling only reaches the textures while mipmaps are off.
    const GLint before = minFilterOf(stats->panelTexture);
    stats->toggleSamplingQuality();
    EXPECT_EQ(minFilterOf(stats->panelTexture), before);
    stats->toggleMipmapQuality();
    EXPECT_EQ(stats->mipmapQuality, 0u);
    EXPECT_EQ(minFilterOf(stats->panelTexture), GL_NEAREST);
    stats->toggleSamplingQuality();
    EXPECT_EQ(minFilterOf(stats->fieldsTexture), GL_LINEAR);
    stats->toggleMipmapQuality();
    EXPECT_EQ(stats->mipmapQuality, static_cast<std::uint32_t>(GL_NEAREST));
    EXPECT_EQ(minFilterOf(stats->fieldsTexture), GL_NEAREST);

    stats->fieldsTexture = flatTexture("statistics_test_atlas.tex", 200, 50, atlasColour);
    stats->panelTexture = nullptr; // keep the background behind the cells black
    stats->framesPerSecond = 1000;
    stats->renderedObjects = 70000; // only the low 16 bits are shown: 4464
    stats->toggleOverlay();
    const std::vector<unsigned char> window = drawn([&] { stats->draw(); });
    // Each digit cell starts 16 pixels after the last.
    EXPECT_TRUE(showsDigits(window, 130, 37, "1000", 16));        // frames per second
    EXPECT_TRUE(showsDigits(window, 130, 137, "4464", 16));       // objects
    EXPECT_TRUE(near(pixelOf(window, 187, 37), {10, 200, 0}, 0)); // the last cell, drawn whole, ends at 188
    EXPECT_TRUE(near(pixelOf(window, 188, 37), black, 0));
    EXPECT_TRUE(near(pixelOf(window, 170, 97), cullingOn, 0));
    EXPECT_TRUE(near(pixelOf(window, 225, 97), black, 0)); // the half-width cell ends at 220
    stats->toggleCulling();
    EXPECT_TRUE(near(pixelOf(drawn([&] { stats->draw(); }), 170, 97), cullingOff, 0));

    // A label's count uses its own atlas's 24-pixel cells, 18 apart, with the
    // overlay hidden too, and draws nothing without its program.
    stats->toggleOverlay();
    EXPECT_FALSE(stats->overlayVisible);
    stats->countTexture = flatTexture("statistics_test_counts.tex", 240, 32, [](int x, int) {
        return Pixel{x / 24 * 20 + 10, 200, 0};
    });
    EXPECT_EQ(stats->countWidth(7), 24.0f);
    EXPECT_EQ(stats->countWidth(160), 60.0f);
    EXPECT_EQ(stats->countHeight(), 32.0f);
    const std::vector<unsigned char> count = drawn([&] { stats->drawCount(160, 300.0f, 200.0f); });
    EXPECT_TRUE(showsDigits(count, 308, 216, "160", 18));
    EXPECT_TRUE(near(pixelOf(count, 359, 231), {10, 200, 0}, 0));
    EXPECT_TRUE(near(pixelOf(count, 360, 216), black, 0));
    EXPECT_TRUE(near(pixelOf(count, 310, 232), black, 0));
    Material* own = std::exchange(stats->material, nullptr);
    EXPECT_TRUE(near(pixelOf(drawn([&] { stats->drawCount(160, 300.0f, 200.0f); }), 308, 216), black, 0));
    stats->material = own;
    // Leave the image textures as a new run has them for later tests.
    while (stats->mipmapQuality != GL_LINEAR_MIPMAP_LINEAR) {
        stats->toggleMipmapQuality();
    }
    delete stats;
}

} // namespace
} // namespace BV::scenetest
