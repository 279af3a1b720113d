// The sign over a full tower, seen from the game's opening view on the
// smallest and the largest planet the game is meant for: the tower stays
// visible beside its sign, and the sign itself shows.
#include <cstdlib>
#include <string>
#include <vector>

#include "game/GameFixture.h"
#include "scene/TextureBillboard.h"

namespace BV {
namespace {

// Games of several planet sizes in one test: SetUp and TearDown run per size.
class StatusSignTest : public testkit::GameFixture {
protected:
    void SetUp() override {}
};

bool differs(const unsigned char* a, const unsigned char* b)
{
    return std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]) > 60;
}

// A channel clearly above the other two.
bool dominant(const unsigned char* p, int channel)
{
    return p[channel] > p[(channel + 1) % 3] + 40 && p[channel] > p[(channel + 2) % 3] + 40;
}

// Three renders of the opening view tell the pixels apart: the tower's are
// those it changes on the bare ground, the sign's those it changes over the
// tower. From the opening view the camera looks straight down onto the
// human's home, so the sign's square lies right over the tower.
TEST_F(StatusSignTest, FullTowerShowsBesideItsSignOnSmallAndLargePlanets)
{
    for (int size : {3, 6}) {
        SCOPED_TRACE("planet size " + std::to_string(size));
        planetSize = size;
        GameFixture::SetUp();
        glfwSetCursorPos(Window::getInstance()->getHandle(), 2.0, 2.0); // sky: nothing hovered
        step(0.1);
        Tower* tower = towerOf(humanPlayer);
        TextureBillboard* sign = tower->getStatusBillboard();
        ASSERT_TRUE(tower->isFull());
        ASSERT_TRUE(sign->visible);
        ASSERT_EQ(sign->getTextures().front(), tower->fullTexture);

        const std::vector<unsigned char> both = renderScene();
        testkit::savePng("full_sign_size" + std::to_string(size) + ".png", 800, 600, both);
        sign->visible = false;
        const std::vector<unsigned char> towerOnly = renderScene();
        tower->visible = false;
        const std::vector<unsigned char> ground = renderScene();

        int towerPixels = 0, towerShown = 0, towerRed = 0, signPixels = 0, signGreen = 0;
        for (std::size_t i = 0; i < both.size(); i += 4) {
            const bool isTower = differs(&towerOnly[i], &ground[i]);
            const bool isSign = differs(&both[i], &towerOnly[i]);
            towerPixels += isTower;
            towerShown += isTower && !isSign;
            towerRed += isTower && !isSign && dominant(&both[i], 0);
            signPixels += isSign;
            signGreen += isSign && dominant(&both[i], 1);
        }
        ASSERT_GT(towerPixels, 50);
        EXPECT_GT(towerShown, towerPixels * 6 / 10) << towerShown << " of " << towerPixels << " tower pixels shown";
        EXPECT_GT(towerRed, towerShown / 2) << "the tower shows in its owner's red";
        EXPECT_GT(signGreen, 15) << "the sign shows in its own green";
        TearDown();
    }
}

} // namespace
} // namespace BV
