// The pointer image follows the interaction mode and sits at the mouse.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <vector>

#include "resources/Material.h"
#include "resources/ResourceManager.h"
#include "resources/ShaderProgram.h"
#include "resources/Texture.h"
#include "scene/Cursor.h"
#include "scene/Drawing.h"
#include "scene/SceneFixture.h"
#include "support/TestSupport.h"

namespace BV {
namespace {

constexpr int windowWidth = 800;
constexpr int windowHeight = 600;

class CursorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        scenetest::SceneFixture::initialiseOnce();
        cursor = Cursor::getInstance();
        cursor->mode = Cursor::DEFAULT;
    }

    static std::vector<unsigned char> frameAfter(void (*drawing)(Texture*), Texture* image)
    {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glViewport(0, 0, windowWidth, windowHeight);
        glDisable(GL_DEPTH_TEST);
        glEnable(GL_BLEND);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        drawing(image);
        return testkit::readPixels(0, 0, windowWidth, windowHeight);
    }

    static Texture* image(const char* name)
    {
        return static_cast<Texture*>(ResourceManager::getInstance()->getResource(name));
    }

    Cursor* cursor = nullptr;
};

TEST_F(CursorTest, ModeChoosesTheImageAndUnknownModesShowTheDefault)
{
    const char* names[] = {
        "resources/textures/cursor/default.dds",
        "resources/textures/cursor/attack.dds",
        "resources/textures/cursor/build.dds",
        "resources/textures/cursor/select.dds",
    };
    for (int mode = 0; mode < 4; ++mode) {
        cursor->mode = mode;
        EXPECT_EQ(cursor->currentImage(), image(names[mode])) << "mode " << mode;
        EXPECT_TRUE(cursor->currentImage()->isLoaded()) << "mode " << mode;
    }
    for (int mode : {7, -1, 4}) {
        cursor->mode = mode;
        EXPECT_EQ(cursor->currentImage(), image(names[0])) << "mode " << mode;
    }
}

TEST_F(CursorTest, ImageIsDrawnFromTheTruncatedMousePositionAtItsOwnSize)
{
    cursor->mode = Cursor::ATTACK;
    Texture* attack = cursor->currentImage();
    ASSERT_GT(attack->width, 0);

    const std::vector<unsigned char> drawn =
        frameAfter([](Texture*) { Cursor::getInstance()->draw(10.9f, 20.2f); }, attack);
    const std::vector<unsigned char> expected = frameAfter(
        [](Texture* img) {
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
            Drawing::getInstance()->draw(img, 10, 20, img->width, img->height);
        },
        attack);
    testkit::savePng("cursor_attack.png", windowWidth, windowHeight, drawn);

    EXPECT_TRUE(drawn == expected);
    // Something shows, and nothing outside the image's rectangle.
    std::size_t lit = 0;
    std::size_t outside = 0;
    for (int row = 0; row < windowHeight; ++row) {
        for (int x = 0; x < windowWidth; ++x) {
            const std::size_t i = (static_cast<std::size_t>(row) * windowWidth + x) * 4;
            if ((drawn[i] | drawn[i + 1] | drawn[i + 2]) == 0) {
                continue;
            }
            const int y = windowHeight - 1 - row;
            ++lit;
            outside += x < 10 || x >= 10 + attack->width || y < 20 || y >= 20 + attack->height;
        }
    }
    EXPECT_GT(lit, 0u);
    EXPECT_EQ(outside, 0u);
}

} // namespace
} // namespace BV
