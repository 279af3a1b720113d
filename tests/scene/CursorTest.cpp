// The pointer image follows the interaction mode and sits at the mouse.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <vector>

#include "resources/Texture.h"
#include "scene/Cursor.h"
#include "scene/SceneFixture.h"

namespace BV::scenetest {
namespace {

TEST(Cursor, DrawsTheImageOfItsModeAtTheTruncatedMousePosition)
{
    SceneFixture::initialiseOnce();
    Cursor* cursor = Cursor::getInstance();
    const char* names[] = {"default", "attack", "build", "select"};
    for (int mode : {0, 1, 2, 3, 7, -1}) {
        cursor->mode = mode;
        const std::string name = std::string("resources/textures/cursor/") + names[mode >= 0 && mode < 4 ? mode : 0];
        EXPECT_EQ(cursor->currentImage(), ResourceManager::getInstance()->getResource(name + ".dds")) << mode;
    }

    cursor->mode = Cursor::ATTACK;
    Texture* attack = cursor->currentImage();
    clearWindow();
    cursor->draw(10.9f, 20.2f);
    const std::vector<unsigned char> drawn = readWindow();
    clearWindow();
    Drawing::getInstance()->draw(attack, 10, 20, attack->width, attack->height);
    cursor->mode = Cursor::DEFAULT;
    testkit::savePng("cursor_attack.png", WINDOW_WIDTH, WINDOW_HEIGHT, drawn);

    EXPECT_TRUE(drawn == readWindow());
    int lit = 0; // something shows
    for (std::size_t i = 0; i < drawn.size(); i += 4) {
        lit += (drawn[i] | drawn[i + 1] | drawn[i + 2]) != 0;
    }
    EXPECT_GT(lit, 0);
}

} // namespace
} // namespace BV::scenetest
