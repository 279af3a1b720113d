// The overlay rectangle lands on exactly the window pixels asked for.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "resources/ManualTextureLoader.h"
#include "resources/Material.h"
#include "resources/ResourceManager.h"
#include "resources/ShaderProgram.h"
#include "resources/Texture.h"
#include "scene/Drawing.h"
#include "scene/SceneFixture.h"
#include "support/TestSupport.h"

namespace BV {
namespace {

constexpr int windowWidth = 800;
constexpr int windowHeight = 600;

// The window pixel (x, y), y from the top as the overlay counts it.
std::array<unsigned char, 4> pixelAt(int x, int y)
{
    const std::vector<unsigned char> p = testkit::readPixels(x, windowHeight - 1 - y, 1, 1);
    return {p[0], p[1], p[2], p[3]};
}

bool isWhite(int x, int y)
{
    const auto p = pixelAt(x, y);
    return p[0] == 255 && p[1] == 255 && p[2] == 255;
}

bool isBlack(int x, int y)
{
    const auto p = pixelAt(x, y);
    return p[0] == 0 && p[1] == 0 && p[2] == 0;
}

class DrawingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        scenetest::SceneFixture::initialiseOnce();
        white = makeWhiteTexture();
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glViewport(0, 0, windowWidth, windowHeight);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_BLEND);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }

    static Texture* makeWhiteTexture()
    {
        auto* textures = static_cast<ManualTextureLoader*>(ResourceManager::getInstance()->getLoader("tex"));
        Texture* texture = textures->createTexture("drawing_test_white.tex", 2, 2, GL_RGBA8, GL_BGRA);
        const std::vector<unsigned char> pixels(2 * 2 * 4, 255);
        glBindTexture(GL_TEXTURE_2D, texture->handle);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 2, 2, GL_BGRA, GL_UNSIGNED_BYTE, pixels.data());
        glBindTexture(GL_TEXTURE_2D, 0);
        return texture;
    }

    Texture* white = nullptr;
};

TEST_F(DrawingTest, MaterialIsLoadedWithTheOverlayProgram)
{
    Material* material = Drawing::getInstance()->getMaterial();
    ASSERT_NE(material, nullptr);
    EXPECT_EQ(material->getName(), "Drawing.mmat");
    EXPECT_TRUE(material->isLoaded());
    ASSERT_NE(material->program, nullptr);
    EXPECT_EQ(material->program->getName(), "resources/shader/drawing.vert_resources/shader/drawing.frag.shdr");
}

TEST_F(DrawingTest, RectangleCoversExactlyItsPixels)
{
    Drawing::getInstance()->draw(white, 100, 50, 40, 30);

    // Inside, at all four corners.
    EXPECT_TRUE(isWhite(100, 50));
    EXPECT_TRUE(isWhite(139, 50));
    EXPECT_TRUE(isWhite(100, 79));
    EXPECT_TRUE(isWhite(139, 79));
    // Just outside, on all four sides.
    EXPECT_TRUE(isBlack(99, 60));
    EXPECT_TRUE(isBlack(140, 60));
    EXPECT_TRUE(isBlack(120, 49));
    EXPECT_TRUE(isBlack(120, 80));
}

TEST_F(DrawingTest, RectanglesReachTheWindowsEdgesWithoutClipping)
{
    // At the far corner, touching the right and bottom edges.
    Drawing::getInstance()->draw(white, windowWidth - 16, windowHeight - 8, 16, 8);
    EXPECT_TRUE(isWhite(windowWidth - 1, windowHeight - 1));
    EXPECT_TRUE(isWhite(windowWidth - 16, windowHeight - 8));
    EXPECT_TRUE(isBlack(windowWidth - 17, windowHeight - 1));
    EXPECT_TRUE(isBlack(windowWidth - 1, windowHeight - 9));

    // A negative position puts part of the rectangle off screen.
    Drawing::getInstance()->draw(white, -10, -20, 30, 40);
    EXPECT_TRUE(isWhite(0, 0));
    EXPECT_TRUE(isWhite(19, 19));
    EXPECT_TRUE(isBlack(20, 5));
    EXPECT_TRUE(isBlack(5, 20));

    // A zero size is the whole window.
    Drawing::getInstance()->draw(white, 0, 0, 0, 0);
    EXPECT_TRUE(isWhite(windowWidth - 1, 0));
    EXPECT_TRUE(isWhite(0, windowHeight - 1));
    EXPECT_TRUE(isWhite(400, 300));
}

TEST_F(DrawingTest, TextureIsShownUprightWithVGrowingUpwards)
{
    // A 1 x 2 picture, red in its first (bottom) row and green in its top row.
    auto* textures = static_cast<ManualTextureLoader*>(ResourceManager::getInstance()->getLoader("tex"));
    Texture* twoRows = textures->createTexture("drawing_test_rows.tex", 1, 2, GL_RGBA8, GL_BGRA);
    const unsigned char bgra[] = {0, 0, 255, 255, 0, 255, 0, 255};
    glBindTexture(GL_TEXTURE_2D, twoRows->handle);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 1, 2, GL_BGRA, GL_UNSIGNED_BYTE, bgra);

    Drawing::getInstance()->draw(twoRows, 10, 10, 20, 20);

    const auto top = pixelAt(20, 12);
    const auto bottom = pixelAt(20, 27);
    EXPECT_EQ(top[1], 255);
    EXPECT_EQ(top[0], 0);
    EXPECT_EQ(bottom[0], 255);
    EXPECT_EQ(bottom[1], 0);
}

TEST_F(DrawingTest, MissingTextureDrawsNothing)
{
    Drawing::getInstance()->draw(nullptr, 0, 0, 0, 0);

    EXPECT_TRUE(isBlack(400, 300));
}

} // namespace
} // namespace BV
