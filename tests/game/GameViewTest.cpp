// What the player sees of a real game, read back from the window's pixels.
#include <cstdlib>
#include <string>
#include <vector>

#include "game/GameFixture.h"
#include "scene/TextureBillboard.h"

namespace BV {
namespace {

// Tests start their games themselves, one per planet size.
class GameViewTest : public testkit::GameFixture {
protected:
    void SetUp() override {}
    void start(int size) { planetSize = size, GameFixture::SetUp(); }
    void TearDown() override
    {
        Statistics::getInstance()->wireframe = Statistics::getInstance()->overlayVisible = false;
        GameFixture::TearDown();
    }
};

// Were the copy to the window drawn as lines too, the window would be black
// but for one diagonal.
TEST_F(GameViewTest, WireframeDrawsTheWorldAsLinesAndTheOverlaysFilled)
{
    start(3);
    Statistics* statistics = Statistics::getInstance();
    // The overlay may have been made before any loader existed.
    if (!statistics->panelTexture || !statistics->panelTexture->isLoaded()) {
        statistics->panelTexture =
            static_cast<Texture*>(ResourceManager::getInstance()->getResource("resources/textures/ui/debug.dds"));
        statistics->panelTexture->ensureLoaded();
    }
    statistics->overlayVisible = true;
    step(0.02);
    const std::vector<unsigned char> filled = scenetest::readWindow();
    statistics->toggleWireframe();
    step(0.02);
    const std::vector<unsigned char> lines = scenetest::readWindow();
    testkit::savePng("game_wireframe.png", scenetest::WINDOW_WIDTH, scenetest::WINDOW_HEIGHT, lines);
    // Mean channel sums: a square in the planet's middle, clear of the panel, and the panel.
    const int left = scenetest::WINDOW_WIDTH / 2 - 100, top = scenetest::WINDOW_HEIGHT / 2 - 50;
    const Texture* panel = statistics->panelTexture;
    ASSERT_TRUE(panel && panel->width > 0 && panel->height > 0);
    auto brightness = [&](const std::vector<unsigned char>& frame, bool inPanel) {
        return scenetest::channelSum(inPanel ? scenetest::meanColour(frame, 2, 2, panel->width - 4, panel->height - 4)
                                             : scenetest::meanColour(frame, left, top, 200, 200));
    };
    EXPECT_GT(brightness(filled, false), 250.0);
    const double edges = brightness(lines, false);
    EXPECT_TRUE(edges > 10.0 && edges < 120.0) << edges;
    EXPECT_GT(brightness(lines, true), 50.0);
}

// Three renders: the tower's pixels change the ground, the sign's the tower.
TEST_F(GameViewTest, FullTowerShowsBesideItsSignOnSmallAndLargePlanets)
{
    auto differs = [](const unsigned char* a, const unsigned char* b) {
        return std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]) > 60;
    };
    // A channel clearly above the other two.
    auto dominant = [](const unsigned char* p, int channel) {
        return p[channel] > p[(channel + 1) % 3] + 40 && p[channel] > p[(channel + 2) % 3] + 40;
    };
    for (int size : {3, 6}) {
        SCOPED_TRACE("planet size " + std::to_string(size));
        start(size);
        glfwSetCursorPos(Window::getInstance()->getHandle(), 2.0, 2.0); // sky: nothing hovered
        step(0.1);
        Tower* tower = towerOf(humanPlayer);
        TextureBillboard* sign = tower->getStatusBillboard();
        ASSERT_TRUE(tower->isFull() && sign->visible);
        ASSERT_EQ(sign->getTextures().front(), tower->fullTexture);

        const std::vector<unsigned char> both = renderScene();
        testkit::savePng("full_sign_size" + std::to_string(size) + ".png", 800, 600, both);
        sign->visible = false;
        const std::vector<unsigned char> towerOnly = renderScene();
        tower->visible = false;
        const std::vector<unsigned char> ground = renderScene();

        int towerPixels = 0, towerShown = 0, towerRed = 0, signPixels = 0, signGreen = 0;
        for (std::size_t i = 0; i < both.size(); i += 4) {
            const bool isTower = differs(&towerOnly[i], &ground[i]), isSign = differs(&both[i], &towerOnly[i]);
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
        // Its badge covers about a fifth of the sign's 7 world units squared.
        Camera* camera = game->getCamera();
        const glm::vec4 centre = camera->getView() * glm::vec4(sign->node->getWorldPosition(), 1.0f);
        const float width = 7.0f * camera->getProjection()[0][0] / -centre.z * 400.0f;
        EXPECT_NEAR(signPixels / (width * width), 0.225, 0.045)
            << signPixels << " sign pixels for 7 units of " << width;
        TearDown();
    }
}

} // namespace
} // namespace BV
