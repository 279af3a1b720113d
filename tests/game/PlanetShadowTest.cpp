// The planet shades itself instead of drawing its whole depth into the
// shadow map, and draws only the patches of itself that can show. Over a
// full turn of the sun, with towers whose shadows cross the view, the frame
// stays within a whisker of the old drawing (whole depth in the map, every
// face drawn), and drawing in patches changes no pixel at all.
#include <cmath>
#include <vector>

#include <glm/glm.hpp>

#include "game/Building.h"
#include "game/GameFixture.h"
#include "game/MilitaryBuilding.h"
#include "support/ImageCompare.h"

namespace BV {
namespace {

// Differences allowed against the old drawing: per channel on average, and
// the share of pixels further off than kThreshold.
const double kMaxMeanDifference = 2.0;
const int kThreshold = 16;
const double kMaxShareBeyond = 0.005;
const int kSunSteps = 12;

class PlanetShadowTest : public testkit::GameFixture, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override
    {
        planetSize = GetParam();
        GameFixture::SetUp();
    }

    testkit::Image render(bool wholeShadow, bool piecewise)
    {
        game->getScene()->setWholeOccluderShadow(wholeShadow);
        planet->piecewise = piecewise;
        testkit::Image image;
        image.width = scenetest::WINDOW_WIDTH;
        image.height = scenetest::WINDOW_HEIGHT;
        image.rgba = renderScene();
        game->getScene()->setWholeOccluderShadow(false);
        planet->piecewise = true;
        return image;
    }
};

// A ring of towers round home, so that their shadows and the band where the
// sun grazes the ground both cross the view as the sun goes round.
TEST_P(PlanetShadowTest, OwnShadowAndPatchesKeepTheFrameOverATurnOfTheSun)
{
    for (int i = 0; i < 6; ++i) {
        const float around = 1.047f * static_cast<float>(i);
        const glm::vec3 at(180.0f * std::cos(around), 180.0f * std::sin(around), 87.0f);
        game->createTower(&planet->tiles[planet->getTileIndexAt(at)], humanPlayer, true);
    }
    step(0.1);
    // Empty towers: no garrison band pulses with the clock between renders.
    for (Building* building : game->getBuildings()) {
        static_cast<MilitaryBuilding*>(building)->setUnitCount(0);
    }

    double worstMean = 0.0;
    double worstShare = 0.0;
    for (int turn = 0; turn < kSunSteps; ++turn) {
        SCOPED_TRACE(turn);
        game->getScene()->getSunNode()->rotate(glm::vec3(0.0f, 1.0f, 0.0f), 6.2832f / kSunSteps);
        const testkit::Image old = render(true, false);
        const testkit::Image whole = render(false, false);
        const testkit::Image pieces = render(false, true);
        const testkit::ImageDifference d = testkit::compareImages(old, pieces, kThreshold);
        ASSERT_TRUE(d.sameSize);
        EXPECT_LE(d.worstMeanAbsolute, kMaxMeanDifference);
        EXPECT_LE(d.shareBeyond, kMaxShareBeyond);
        worstMean = std::max(worstMean, d.worstMeanAbsolute);
        worstShare = std::max(worstShare, d.shareBeyond);
        EXPECT_TRUE(pieces.rgba == whole.rgba) << "drawing in patches changed the frame";
    }
    RecordProperty("worstMeanDifference", std::to_string(worstMean));
    RecordProperty("worstShareBeyond", std::to_string(worstShare));
}

INSTANTIATE_TEST_SUITE_P(Sizes, PlanetShadowTest, ::testing::Values(3, 4, 5, 6));

} // namespace
} // namespace BV
