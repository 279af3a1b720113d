// The planet shades itself instead of drawing its whole depth into the
// shadow map, and draws only the patches of itself that can show. Over a
// full turn of the sun, with towers whose shadows cross the view, the frame
// stays within a whisker of the old drawing (whole depth in the map, every
// face drawn), and drawing in patches changes no pixel at all.
#include <cmath>
#include <string>
#include <vector>

#include <glm/glm.hpp>

#include "game/Building.h"
#include "game/GameFixture.h"
#include "game/MilitaryBuilding.h"
#include "resources/Material.h"
#include "resources/ShaderProgram.h"
#include "resources/ShaderProgramLoader.h"
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

    // The planet's program with its own shadow left out where no tower is
    // near: what the frame would be had the planet lost its shadow on
    // itself. Null when the shader no longer has the line.
    ShaderProgram* withoutOwnShadow()
    {
        const std::string line = "facetSunlight(facetNormal, l, dpx, dpy, bias)";
        std::string source = testkit::readFile("resources/shader/planet.frag");
        const std::size_t at = source.find(line);
        if (at == std::string::npos) {
            return nullptr;
        }
        source.replace(at, line.size(), "1.0");
        testkit::writeFile("planet_no_own_shadow.frag", source);
        auto* programs = static_cast<ShaderProgramLoader*>(ResourceManager::getInstance()->getLoader("shdr"));
        ShaderProgram* program = programs->createProgram("resources/shader/planet.vert", "planet_no_own_shadow.frag");
        program->ensureLoaded();
        return program->getHandle() != 0 ? program : nullptr;
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

    ShaderProgram* unshaded = withoutOwnShadow();
    ASSERT_TRUE(unshaded) << "the planet's shader no longer works out its own shadow in one call";

    double worstMean = 0.0;
    double worstShare = 0.0;
    double ours = 0.0;
    double lost = 0.0;

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
        ShaderProgram* own = planet->material->program;
        planet->material->program = unshaded;
        const testkit::Image without = render(false, true);
        planet->material->program = own;
        ours += d.worstMeanAbsolute;
        lost += testkit::compareImages(old, without, kThreshold).worstMeanAbsolute;
    }
    // The scene shows the planet's own shadow, and the frame keeps it: much
    // closer to the old drawing than the frame without it.
    EXPECT_GT(lost, 0.005);
    EXPECT_LT(ours, 0.6 * lost);
    RecordProperty("worstMeanDifference", std::to_string(worstMean));
    RecordProperty("worstShareBeyond", std::to_string(worstShare));
}

INSTANTIATE_TEST_SUITE_P(Sizes, PlanetShadowTest, ::testing::Values(3, 4, 5, 6));

} // namespace
} // namespace BV
