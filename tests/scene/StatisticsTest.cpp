// The render switches cycle as the function keys promise, reach the image
// textures, and the overlay puts every value into its place on screen.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "resources/ManualTextureLoader.h"
#include "resources/Material.h"
#include "resources/ResourceManager.h"
#include "resources/ShaderProgram.h"
#include "resources/Texture.h"
#include "scene/Drawing.h"
#include "scene/Statistics.h"
#include "scene/SceneFixture.h"
#include "support/TestSupport.h"

namespace BV {
namespace {

constexpr int windowWidth = 800;
constexpr int windowHeight = 600;

// A stand-in atlas of 200 x 50 pixels whose every cell is one flat colour,
// so that a read-back pixel tells which cell was drawn there. Digit cells are
// (20 * d + 10, 200, 0); the culling row is (0, 0, 60) left and (0, 0, 120)
// right; the three full rows are (0, 60, 250), (0, 120, 250), (0, 180, 250)
// from the top down.
constexpr int atlasWidth = 200;
constexpr int atlasHeight = 50;

using Rgb = std::array<int, 3>;
constexpr Rgb cullingOn{0, 0, 60};
constexpr Rgb cullingOff{0, 0, 120}; // also "mipmaps off"
constexpr Rgb nearestRow{0, 60, 250};
constexpr Rgb linearRow{0, 120, 250};
constexpr Rgb trilinearRow{0, 180, 250};
Rgb digitColour(int d)
{
    return {20 * d + 10, 200, 0};
}

Rgb atlasColour(int x, int row) // row counted from the bottom, 10 pixels each
{
    switch (row) {
    case 4: return digitColour(x / 20);
    case 3: return x < 100 ? cullingOn : cullingOff;
    case 2: return nearestRow;
    case 1: return linearRow;
    default: return trilinearRow;
    }
}

Texture* makeAtlas()
{
    auto* textures = static_cast<ManualTextureLoader*>(ResourceManager::getInstance()->getLoader("tex"));
    Texture* atlas = textures->createTexture("statistics_test_atlas.tex", atlasWidth, atlasHeight, GL_RGBA8, GL_BGRA);
    std::vector<unsigned char> bgra;
    for (int y = 0; y < atlasHeight; ++y) {
        for (int x = 0; x < atlasWidth; ++x) {
            const Rgb c = atlasColour(x, y / 10);
            bgra.insert(bgra.end(), {static_cast<unsigned char>(c[2]), static_cast<unsigned char>(c[1]),
                                     static_cast<unsigned char>(c[0]), 255});
        }
    }
    glBindTexture(GL_TEXTURE_2D, atlas->handle);
    // Nearest sampling keeps each cell's colour exact right up to its edges.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, atlasWidth, atlasHeight, GL_BGRA, GL_UNSIGNED_BYTE, bgra.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    atlas->width = atlasWidth;
    atlas->height = atlasHeight;
    return atlas;
}

Rgb pixelAt(int x, int y) // y from the window's top
{
    const std::vector<unsigned char> p = testkit::readPixels(x, windowHeight - 1 - y, 1, 1);
    return {p[0], p[1], p[2]};
}

GLint minFilterOf(const Texture* texture)
{
    GLint value = 0;
    glBindTexture(texture->target, texture->handle);
    glGetTexParameteriv(texture->target, GL_TEXTURE_MIN_FILTER, &value);
    return value;
}

GLint magFilterOf(const Texture* texture)
{
    GLint value = 0;
    glBindTexture(texture->target, texture->handle);
    glGetTexParameteriv(texture->target, GL_TEXTURE_MAG_FILTER, &value);
    return value;
}

// Every test starts from a fresh overlay with the switches of a new run.
class StatisticsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        scenetest::SceneFixture::initialiseOnce();
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

    void clearWindow()
    {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glViewport(0, 0, windowWidth, windowHeight);
        glDisable(GL_DEPTH_TEST);
        glEnable(GL_BLEND);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }

    Statistics* stats = nullptr;
};

TEST_F(StatisticsTest, OverlayResourcesAreLoaded)
{
    ASSERT_NE(stats->panelTexture, nullptr);
    ASSERT_NE(stats->fieldsTexture, nullptr);
    EXPECT_TRUE(stats->panelTexture->isLoaded());
    EXPECT_TRUE(stats->fieldsTexture->isLoaded());
    ASSERT_NE(stats->material, nullptr);
    EXPECT_TRUE(stats->material->isLoaded());
    EXPECT_EQ(stats->material->program->getName(),
              "resources/shader/statistics.vert_resources/shader/drawing.frag.shdr");
}

TEST_F(StatisticsTest, WireframeSwitchSetsThePolygonMode)
{
    GLint mode[2] = {0, 0};
    stats->toggleWireframe();
    glGetIntegerv(GL_POLYGON_MODE, mode);
    EXPECT_EQ(mode[0], GL_LINE);
    stats->toggleWireframe();
    glGetIntegerv(GL_POLYGON_MODE, mode);
    EXPECT_EQ(mode[0], GL_FILL);
}

TEST_F(StatisticsTest, SamplingSwitchReachesTexturesOnlyWhileMipmapsAreOff)
{
    Texture* image = stats->panelTexture;
    const GLint before = minFilterOf(image);

    stats->toggleSamplingQuality();
    EXPECT_EQ(stats->samplingQuality, static_cast<std::uint32_t>(GL_NEAREST));
    EXPECT_EQ(minFilterOf(image), before);

    stats->toggleMipmapQuality(); // off: sampling decides both filters
    EXPECT_EQ(minFilterOf(image), GL_NEAREST);
    EXPECT_EQ(magFilterOf(image), GL_NEAREST);

    stats->toggleSamplingQuality();
    EXPECT_EQ(minFilterOf(image), GL_LINEAR);
    EXPECT_EQ(magFilterOf(image), GL_LINEAR);
}

TEST_F(StatisticsTest, MipmapSwitchCyclesAndSetsEveryImageTexture)
{
    stats->toggleMipmapQuality();
    EXPECT_EQ(stats->mipmapQuality, 0u);
    stats->toggleMipmapQuality();
    EXPECT_EQ(stats->mipmapQuality, static_cast<std::uint32_t>(GL_NEAREST));
    for (Texture* image : {stats->panelTexture, stats->fieldsTexture}) {
        EXPECT_EQ(minFilterOf(image), GL_NEAREST) << image->getName();
        EXPECT_EQ(magFilterOf(image), GL_LINEAR) << image->getName();
    }
    stats->toggleMipmapQuality();
    EXPECT_EQ(stats->mipmapQuality, static_cast<std::uint32_t>(GL_LINEAR_MIPMAP_LINEAR));
    for (Texture* image : {stats->panelTexture, stats->fieldsTexture}) {
        EXPECT_EQ(minFilterOf(image), GL_LINEAR_MIPMAP_LINEAR) << image->getName();
    }
}

TEST_F(StatisticsTest, HiddenOverlayDrawsNothing)
{
    stats->framesPerSecond = 60;
    clearWindow();
    stats->draw();
    const std::vector<unsigned char> pixels = testkit::readPixels(0, 0, windowWidth, windowHeight);
    std::size_t lit = 0;
    for (std::size_t i = 0; i < pixels.size(); i += 4) {
        lit += (pixels[i] | pixels[i + 1] | pixels[i + 2]) != 0;
    }
    EXPECT_EQ(lit, 0u);
}

TEST_F(StatisticsTest, OverlayPutsEveryValueIntoItsPlace)
{
    stats->fieldsTexture = makeAtlas();
    stats->panelTexture = nullptr; // keep the background behind the cells black
    stats->framesPerSecond = 1000;
    stats->renderedObjects = 70000; // only the low 16 bits are shown: 4464
    stats->renderedTriangles = 0;
    stats->toggleOverlay();
    clearWindow();
    stats->draw();
    testkit::savePng("statistics_overlay.png", windowWidth, windowHeight,
                     testkit::readPixels(0, 0, windowWidth, windowHeight));

    // Digit cells are 20 pixels wide, each 4 pixels left of the previous
    // one's end; the middle of each cell is free of the next one.
    const int cell = atlasWidth / 10;
    const int step = cell - 4;
    const int fps[] = {1, 0, 0, 0};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(pixelAt(120 + i * step + cell / 2, 37), digitColour(fps[i])) << "fps digit " << i;
    }
    EXPECT_EQ(pixelAt(120 + 4 * step + 6, 37), (Rgb{0, 0, 0}));
    const int objects[] = {4, 4, 6, 4};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(pixelAt(120 + i * step + cell / 2, 137), digitColour(objects[i])) << "object digit " << i;
    }
    EXPECT_EQ(pixelAt(120 + cell / 2, 157), digitColour(0));
    EXPECT_EQ(pixelAt(120 + step + cell / 2, 157), (Rgb{0, 0, 0}));

    EXPECT_EQ(pixelAt(200, 57), linearRow);
    EXPECT_EQ(pixelAt(200, 77), trilinearRow);
    EXPECT_EQ(pixelAt(170, 97), cullingOn);
    // Rows are 14 pixels high; the half-width culling cell ends at 220.
    EXPECT_EQ(pixelAt(200, 64), (Rgb{0, 0, 0}));
    EXPECT_EQ(pixelAt(225, 97), (Rgb{0, 0, 0}));
}

TEST_F(StatisticsTest, OverlayShowsSwitchedValues)
{
    stats->fieldsTexture = makeAtlas();
    stats->panelTexture = nullptr; // keep the background behind the cells black
    stats->toggleOverlay();
    stats->toggleCulling();
    stats->toggleSamplingQuality(); // GL_NEAREST
    stats->toggleMipmapQuality();   // off
    clearWindow();
    stats->draw();

    EXPECT_EQ(pixelAt(200, 57), nearestRow);
    EXPECT_EQ(pixelAt(170, 77), cullingOff);
    EXPECT_EQ(pixelAt(225, 77), (Rgb{0, 0, 0})); // "off" is half the atlas wide
    EXPECT_EQ(pixelAt(170, 97), cullingOff);

    stats->toggleMipmapQuality(); // GL_NEAREST
    clearWindow();
    stats->draw();
    EXPECT_EQ(pixelAt(300, 77), nearestRow);
}

TEST_F(StatisticsTest, OverlayWithTheGameImagesLightsEveryLine)
{
    stats->framesPerSecond = 60;
    stats->renderedObjects = 123;
    stats->renderedTriangles = 45678;
    stats->toggleOverlay();
    clearWindow();
    stats->draw();
    const std::vector<unsigned char> frame = testkit::readPixels(0, 0, windowWidth, windowHeight);
    testkit::savePng("statistics_overlay_game_images.png", windowWidth, windowHeight, frame);

    // Every value line differs from the panel alone somewhere in its row.
    stats->toggleOverlay();
    const int width = static_cast<int>(stats->fieldsTexture->width);
    Material* drawingMaterial = Drawing::getInstance()->getMaterial();
    clearWindow();
    glUseProgram(drawingMaterial->program->getHandle());
    Drawing::getInstance()->drawWith(drawingMaterial, stats->panelTexture, 0, 0, stats->panelTexture->width,
                                     stats->panelTexture->height);
    const std::vector<unsigned char> panelOnly = testkit::readPixels(0, 0, windowWidth, windowHeight);
    for (int top : {30, 50, 70, 90, 130, 150}) {
        std::size_t differing = 0;
        for (int y = top; y < top + 14; ++y) {
            for (int x = 120; x < 120 + width; ++x) {
                const std::size_t i = (static_cast<std::size_t>(windowHeight - 1 - y) * windowWidth + x) * 4;
                differing += frame[i] != panelOnly[i] || frame[i + 1] != panelOnly[i + 1];
            }
        }
        EXPECT_GT(differing, 10u) << "line at y = " << top;
    }
}

} // namespace
} // namespace BV
