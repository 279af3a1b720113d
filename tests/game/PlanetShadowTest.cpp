// Over a turn of the sun, each shortcut of the planet's drawing keeps the frame of the full drawing: its own shading
// instead of its whole depth in the shadow map, only the patches that can show, taps only where a shadow can fall.
#include <cmath>
#include <string>
#include <vector>

#include "game/Building.h"
#include "game/MilitaryBuilding.h"
#include "game/PixelScene.h"
#include "support/ImageCompare.h"

namespace BV {
namespace {

// A ring of towers round home on a planet of the parameter's size: their shadows and the band where the sun grazes the
// ground both cross the view as the sun goes round. Empty: no garrison band pulses with the clock between renders.
class PlanetShadowTest : public testkit::PixelGame, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override
    {
        planetSize = GetParam();
        PixelGame::SetUp();
        std::vector<TowerAt> ring;
        for (int i = 0; i < 6; ++i) {
            const float around = 1.047f * static_cast<float>(i);
            ring.push_back({humanPlayer, {180.0f * std::cos(around), 180.0f * std::sin(around), 87.0f}});
        }
        place(ring, 0.1);
        for (Building* building : game->getBuildings()) {
            static_cast<MilitaryBuilding*>(building)->setUnitCount(0);
        }
    }

    void turnSun(int steps) { game->getScene()->getSunNode()->rotate({0.0f, 1.0f, 0.0f}, 6.2832f / steps); }

    // The scene alone: the planet's whole depth in the shadow map or not, drawn whole or in patches, by its own program
    // or by `program`.
    testkit::Image render(bool wholeShadow, bool piecewise = true, ShaderProgram* program = nullptr)
    {
        ShaderProgram* own = planet->material->program;
        game->getScene()->setWholeOccluderShadow(wholeShadow);
        planet->piecewise = piecewise;
        planet->material->program = program ? program : own;
        testkit::Image image{scenetest::WINDOW_WIDTH, scenetest::WINDOW_HEIGHT, renderScene()};
        game->getScene()->setWholeOccluderShadow(false);
        planet->piecewise = true;
        planet->material->program = own;
        return image;
    }
};

// How many pixels differ in colour.
int differing(const testkit::Image& a, const testkit::Image& b)
{
    return static_cast<int>(std::lround(testkit::compareImages(a, b, 0).shareBeyond * a.width * a.height));
}

// Against the old drawing (whole depth in the map, every face drawn): within a whisker on average and in the share of
// pixels more than 16 off, and much closer than without the planet's own shadow. Patches change no pixel at all. With
// the whole depth in the map, the taps decide the planet's own shadow: every frame equals the one with all nine taps
// everywhere, and each reason for the taps is needed, towers near or the sun grazing.
TEST_P(PlanetShadowTest, OwnShadowPatchesAndSkippedTapsKeepTheFrameOverATurnOfTheSun)
{
    ShaderProgram* unshaded =
        planetVariant("planet_no_own_shadow.frag", "facetSunlight(facetNormal, l, dpx, dpy, bias)", "1.0");
    const char* const line = "int taps = facing < SELF_SHADOW_FACING || nearTower ? 9 : 0;";
    ShaderProgram* full = planetVariant("planet_all_taps.frag", line, "int taps = p.z < 2.0 ? 9 : 0;");
    ShaderProgram* towersOnly = planetVariant("planet_towers.frag", line, "int taps = nearTower ? 9 : 0;");
    ShaderProgram* grazingOnly =
        planetVariant("planet_grazing.frag", line, "int taps = facing < SELF_SHADOW_FACING ? 9 : 0;");
    ASSERT_TRUE(unshaded && full && towersOnly && grazingOnly)
        << "the planet's shader no longer works out its own shadow in one call, or chooses its taps in one line";
    double ours = 0.0, lost = 0.0;
    int towerShadows = 0, ownShadows = 0; // pixels over every step
    for (int turn = 0; turn < 12; ++turn) {
        SCOPED_TRACE(turn);
        turnSun(12);
        const testkit::Image old = render(true, false), whole = render(false, false), pieces = render(false);
        const testkit::ImageDifference d = testkit::compareImages(old, pieces, 16);
        ASSERT_TRUE(d.sameSize);
        EXPECT_LE(d.worstMeanAbsolute, 2.0);
        EXPECT_LE(d.shareBeyond, 0.005);
        EXPECT_EQ(differing(pieces, whole), 0) << "drawing in patches changed the frame";
        ours += d.worstMeanAbsolute;
        lost += testkit::compareImages(old, render(false, true, unshaded), 16).worstMeanAbsolute;
        const testkit::Image reference = render(true, true, full);
        EXPECT_EQ(differing(render(true), reference), 0) << "skipping taps changed the frame";
        towerShadows += differing(reference, render(true, true, grazingOnly));
        ownShadows += differing(reference, render(true, true, towersOnly));
    }
    EXPECT_GT(lost, 0.005);
    EXPECT_LT(ours, 0.6 * lost);
    EXPECT_GT(towerShadows, 500);
    EXPECT_GT(ownShadows, 500);
}

INSTANTIATE_TEST_SUITE_P(Sizes, PlanetShadowTest, ::testing::Values(3, 4, 5, 6));

} // namespace
} // namespace BV
