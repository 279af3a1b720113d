// The render switches cycle as the function keys promise, reach the image
// textures, and the overlay puts every value into its place on screen.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "resources/ManualTextureLoader.h"
#include "resources/Texture.h"
#include "scene/SceneFixture.h"

namespace BV::scenetest {
namespace {

// A stand-in atlas of 200 x 50 pixels whose every cell is one flat colour,
// so that a read-back pixel tells which cell was drawn there. Rows of 10
// pixels from the bottom: trilinear, linear, nearest, the culling row (on
// left, off right) and the digit cells 20 pixels wide.
constexpr Pixel cullingOn{0, 0, 60};
constexpr Pixel cullingOff{0, 0, 120}; // also "mipmaps off"
constexpr Pixel nearestRow{0, 60, 250};
constexpr Pixel linearRow{0, 120, 250};
constexpr Pixel trilinearRow{0, 180, 250};
constexpr Pixel black{0, 0, 0};
Pixel digit(int d)
{
    return {20 * d + 10, 200, 0};
}

Texture* makeAtlas()
{
    auto* textures = static_cast<ManualTextureLoader*>(ResourceManager::getInstance()->getLoader("tex"));
    Texture* atlas = textures->createTexture("statistics_test_atlas.tex", 200, 50, GL_RGBA8, GL_BGRA);
    std::vector<unsigned char> bgra;
    for (int y = 0; y < 50; ++y) {
        for (int x = 0; x < 200; ++x) {
            const Pixel rows[] = {trilinearRow, linearRow, nearestRow, x < 100 ? cullingOn : cullingOff, digit(x / 20)};
            const Pixel c = rows[y / 10];
            bgra.insert(bgra.end(), {static_cast<unsigned char>(c.b), static_cast<unsigned char>(c.g),
                                     static_cast<unsigned char>(c.r), 255});
        }
    }
    glBindTexture(GL_TEXTURE_2D, atlas->handle);
    // Nearest sampling keeps each cell's colour exact right up to its edges.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 200, 50, GL_BGRA, GL_UNSIGNED_BYTE, bgra.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    atlas->width = 200;
    atlas->height = 50;
    return atlas;
}

::testing::AssertionResult is(const Pixel& actual, const Pixel& expected)
{
    return near(actual, expected, 0);
}

GLint filterOf(const Texture* texture, GLenum which)
{
    GLint value = 0;
    glBindTexture(texture->target, texture->handle);
    glGetTexParameteriv(texture->target, which, &value);
    return value;
}

// Every test starts from a fresh overlay with the switches of a new run.
class StatisticsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SceneFixture::initialiseOnce();
        delete Statistics::getInstance();
        stats = Statistics::getInstance();
    }

    void TearDown() override
    {
        // Leave the image textures as a new run has them for later tests.
        while (stats->mipmapQuality != GL_LINEAR_MIPMAP_LINEAR) {
            stats->toggleMipmapQuality();
        }
        if (stats->wireframe) {
            stats->toggleWireframe();
        }
        delete stats;
    }

    Statistics* stats = nullptr;
};

TEST_F(StatisticsTest, SwitchesCycleAndReachTheImageTextures)
{
    GLint mode[2] = {0, 0};
    stats->toggleWireframe();
    glGetIntegerv(GL_POLYGON_MODE, mode);
    EXPECT_EQ(mode[0], GL_LINE);
    stats->toggleWireframe();
    glGetIntegerv(GL_POLYGON_MODE, mode);
    EXPECT_EQ(mode[0], GL_FILL);

    // Sampling only reaches the textures while mipmaps are off.
    Texture* image = stats->panelTexture;
    const GLint before = filterOf(image, GL_TEXTURE_MIN_FILTER);
    stats->toggleSamplingQuality();
    EXPECT_EQ(stats->samplingQuality, static_cast<std::uint32_t>(GL_NEAREST));
    EXPECT_EQ(filterOf(image, GL_TEXTURE_MIN_FILTER), before);
    stats->toggleMipmapQuality();
    EXPECT_EQ(stats->mipmapQuality, 0u);
    EXPECT_EQ(filterOf(image, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(filterOf(image, GL_TEXTURE_MAG_FILTER), GL_NEAREST);
    stats->toggleSamplingQuality();
    EXPECT_EQ(filterOf(image, GL_TEXTURE_MAG_FILTER), GL_LINEAR);

    stats->toggleMipmapQuality();
    EXPECT_EQ(stats->mipmapQuality, static_cast<std::uint32_t>(GL_NEAREST));
    for (Texture* texture : {stats->panelTexture, stats->fieldsTexture}) {
        EXPECT_EQ(filterOf(texture, GL_TEXTURE_MIN_FILTER), GL_NEAREST) << texture->getName();
    }
    stats->toggleMipmapQuality();
    EXPECT_EQ(stats->mipmapQuality, static_cast<std::uint32_t>(GL_LINEAR_MIPMAP_LINEAR));
    EXPECT_EQ(filterOf(stats->fieldsTexture, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
}

TEST_F(StatisticsTest, OverlayPutsEveryValueIntoItsPlace)
{
    stats->fieldsTexture = makeAtlas();
    stats->panelTexture = nullptr; // keep the background behind the cells black
    stats->framesPerSecond = 1000;
    stats->renderedObjects = 70000; // only the low 16 bits are shown: 4464
    stats->renderedTriangles = 0;
    clearWindow();
    stats->draw(); // hidden: nothing
    EXPECT_TRUE(is(windowPixel(130, 37), black));

    stats->toggleOverlay();
    clearWindow();
    stats->draw();
    testkit::savePng("statistics_overlay.png", WINDOW_WIDTH, WINDOW_HEIGHT, readWindow());
    // Digit cells are 20 pixels wide, each 4 pixels left of the previous
    // one's end; the middle of each cell is free of the next one.
    const int fps[] = {1, 0, 0, 0};
    const int objects[] = {4, 4, 6, 4};
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(is(windowPixel(130 + i * 16, 37), digit(fps[i]))) << "fps digit " << i;
        EXPECT_TRUE(is(windowPixel(130 + i * 16, 137), digit(objects[i]))) << "object digit " << i;
    }
    EXPECT_TRUE(is(windowPixel(120 + 4 * 16 + 6, 37), black));
    EXPECT_TRUE(is(windowPixel(130, 157), digit(0)));
    EXPECT_TRUE(is(windowPixel(146, 157), black));
    EXPECT_TRUE(is(windowPixel(200, 57), linearRow));
    EXPECT_TRUE(is(windowPixel(200, 77), trilinearRow));
    EXPECT_TRUE(is(windowPixel(170, 97), cullingOn));
    // Rows are 14 pixels high; the half-width culling cell ends at 220.
    EXPECT_TRUE(is(windowPixel(200, 64), black));
    EXPECT_TRUE(is(windowPixel(225, 97), black));

    stats->toggleCulling();
    stats->toggleSamplingQuality(); // GL_NEAREST
    stats->toggleMipmapQuality();   // off
    clearWindow();
    stats->draw();
    EXPECT_TRUE(is(windowPixel(200, 57), nearestRow));
    EXPECT_TRUE(is(windowPixel(170, 77), cullingOff));
    EXPECT_TRUE(is(windowPixel(225, 77), black)); // "off" is half the atlas wide
    EXPECT_TRUE(is(windowPixel(170, 97), cullingOff));
}

} // namespace
} // namespace BV::scenetest
