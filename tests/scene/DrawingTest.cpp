// The overlay rectangle lands on exactly the window pixels asked for.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include "resources/ManualTextureLoader.h"
#include "resources/Texture.h"
#include "scene/SceneFixture.h"

namespace BV::scenetest {
namespace {

TEST(Drawing, RectangleCoversExactlyItsPixelsShownUpright)
{
    SceneFixture::initialiseOnce();
    // A 1 x 2 picture, red in its first (bottom) row and green in its top row.
    auto* textures = static_cast<ManualTextureLoader*>(ResourceManager::getInstance()->getLoader("tex"));
    Texture* twoRows = textures->createTexture("drawing_test_rows.tex", 1, 2, GL_RGBA8, GL_BGRA);
    const unsigned char bgra[] = {0, 0, 255, 255, 0, 255, 0, 255};
    glBindTexture(GL_TEXTURE_2D, twoRows->handle);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 1, 2, GL_BGRA, GL_UNSIGNED_BYTE, bgra);
    clearWindow();
    Drawing::getInstance()->draw(twoRows, 100, 50, 40, 30);
    Drawing::getInstance()->draw(nullptr, 0, 0, 0, 0); // nothing to show: nothing drawn

    const Pixel green{0, 255, 0}, red{255, 0, 0}, black{0, 0, 0};
    // Inside at all four corners, the texture's top row at the top.
    EXPECT_TRUE(near(windowPixel(100, 50), green, 0));
    EXPECT_TRUE(near(windowPixel(139, 50), green, 0));
    EXPECT_TRUE(near(windowPixel(100, 79), red, 0));
    EXPECT_TRUE(near(windowPixel(139, 79), red, 0));
    // Just outside, on all four sides.
    for (const glm::ivec2 p : {glm::ivec2(99, 60), glm::ivec2(140, 60), glm::ivec2(120, 49), glm::ivec2(120, 80)}) {
        EXPECT_TRUE(near(windowPixel(p.x, p.y), black, 0)) << p.x << ", " << p.y;
    }
}

} // namespace
} // namespace BV::scenetest
