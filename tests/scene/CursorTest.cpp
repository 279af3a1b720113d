// The pointer image follows the interaction mode and sits at the mouse.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <vector>

#include "scene/Cursor.h"
#include "scene/SceneFixture.h"

namespace BV::scenetest {
namespace {

std::vector<unsigned char> drawCursor(std::int32_t mode, float x, float y)
{
    Cursor::getInstance()->mode = mode;
    clearWindow();
    Cursor::getInstance()->draw(x, y);
    Cursor::getInstance()->mode = Cursor::DEFAULT;
    return readWindow();
}

// The image's corner goes to the mouse position truncated towards zero; a
// mode the game does not know shows the default arrow.
TEST(Cursor, DrawsTheImageOfItsModeAtTheTruncatedMousePosition)
{
    SceneFixture::initialiseOnce();
    const std::vector<unsigned char> arrow = drawCursor(Cursor::DEFAULT, 10.0f, 20.0f);
    testkit::savePng("cursor_default.png", WINDOW_WIDTH, WINDOW_HEIGHT, arrow);
    EXPECT_TRUE(drawCursor(Cursor::DEFAULT, 10.9f, 20.2f) == arrow);
    EXPECT_FALSE(drawCursor(Cursor::DEFAULT, 11.0f, 20.0f) == arrow);
    EXPECT_FALSE(drawCursor(Cursor::DEFAULT, 10.0f, 21.0f) == arrow);
    EXPECT_TRUE(drawCursor(7, 10.0f, 20.0f) == arrow);
    EXPECT_TRUE(drawCursor(-1, 10.0f, 20.0f) == arrow);
    for (std::int32_t mode : {Cursor::ATTACK, Cursor::BUILD, Cursor::SELECT}) {
        EXPECT_FALSE(drawCursor(mode, 10.0f, 20.0f) == arrow) << "mode " << mode;
    }
}

} // namespace
} // namespace BV::scenetest
