// The planet's patches: every face in exactly one patch, and a selection
// that never leaves out a face that can show (to the camera or in the sun's
// shadow region) while leaving out most of those that cannot.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <numeric>
#include <vector>

#include <glm/glm.hpp>
#include <glm/gtc/matrix_transform.hpp>

#include "game/Planet.h"
#include "game/PlanetPatches.h"

namespace BV {
namespace {

using Corners = std::array<glm::vec3, 3>;

class PlanetPatchesTest : public ::testing::Test {
protected:
    // Built once: the model needs no GL context.
    static void SetUpTestSuite() { planet = new Planet(6, 200.0f); }
    static void TearDownTestSuite() { delete planet; }

    void SetUp() override { patches.build(planet->tiles, planet->faces); }

    // Per face: whether the last selection's runs hold it.
    std::vector<bool> selectedFaces() const
    {
        std::vector<bool> selected(planet->faces.size(), false);
        for (std::size_t run = 0; run < patches.getRunCounts().size(); ++run) {
            const auto first = static_cast<std::size_t>(patches.getRunFirsts()[run]);
            for (std::size_t i = first; i < first + static_cast<std::size_t>(patches.getRunCounts()[run]); ++i) {
                selected[patches.getIndices()[i] / 3] = true;
            }
        }
        return selected;
    }

    // Every face turned towards `towards(its first corner)` whose corners are
    // `inRegion` must be in the last selection, which `drawn` counts and
    // which holds at most `mostDrawn` of all faces. More than `least` such
    // faces must exist.
    template <typename Towards, typename InRegion>
    void expectKept(std::uint32_t drawn, float mostDrawn, int least, Towards towards, InRegion inRegion) const
    {
        const std::vector<bool> selected = selectedFaces();
        EXPECT_EQ(static_cast<std::uint32_t>(std::count(selected.begin(), selected.end(), true)), drawn);
        EXPECT_LE(drawn, mostDrawn * static_cast<float>(planet->faces.size()));
        int showing = 0;
        for (std::size_t f = 0; f < planet->faces.size(); ++f) {
            const std::uint32_t* c = planet->faces[f]->corners;
            const Corners at = {planet->tiles[c[0]].position, planet->tiles[c[1]].position,
                                planet->tiles[c[2]].position};
            const glm::vec3 normal = glm::cross(at[1] - at[0], at[2] - at[0]);
            const float outward = glm::dot(normal, at[0]) < 0.0f ? -1.0f : 1.0f;
            if (outward * glm::dot(normal, towards(at[0])) > 0.0f && inRegion(at)) {
                ++showing;
                ASSERT_TRUE(selected[f]) << "face " << f;
            }
        }
        EXPECT_GT(showing, least);
    }

    static Planet* planet;
    PlanetPatches patches;
};

Planet* PlanetPatchesTest::planet = nullptr;

TEST_F(PlanetPatchesTest, EveryFaceLiesInOnePatchAndAllSelectsEachOnce)
{
    std::vector<std::uint32_t> indices = patches.getIndices();
    ASSERT_EQ(indices.size(), 3 * planet->faces.size());
    // Patches of the intended size: not one per face, not one for all.
    EXPECT_GE(patches.getPatchCount(), 6u);
    EXPECT_LE(patches.getPatchCount(), planet->faces.size() / 100);
    // The three vertices of a face stay together, in their order.
    for (std::size_t i = 0; i < indices.size(); i += 3) {
        ASSERT_EQ(indices[i] % 3, 0u) << i;
        ASSERT_EQ(indices[i + 1], indices[i] + 1) << i;
        ASSERT_EQ(indices[i + 2], indices[i] + 2) << i;
    }
    std::vector<std::uint32_t> each(indices.size());
    std::iota(each.begin(), each.end(), 0u);
    std::sort(indices.begin(), indices.end());
    EXPECT_EQ(indices, each);
    const std::uint32_t all = patches.selectAll();
    EXPECT_EQ(patches.getRunCounts().size(), 1u) << "neighbouring patches join one run";
    expectKept(
        all, 1.0f, 0, [](const glm::vec3& at) { return at; }, [](const Corners&) { return true; });
    EXPECT_EQ(all, planet->faces.size());
}

// Cameras from close above the ground to far off, looking at the centre or
// askew; every face turned towards the eye with a corner in view is drawn. A
// wireframe view sees the back as well: only the view counts.
TEST_F(PlanetPatchesTest, CameraKeepsEveryFaceThatCanShow)
{
    const struct {
        const char* name;
        glm::vec3 eye, target;
        float fovy, mostDrawn; // share of the faces drawn at most
    } views[] = {
        {"far, whole planet", {0.0f, 0.0f, 900.0f}, {0.0f, 0.0f, 0.0f}, 0.8f, 0.7f},
        {"start distance", {250.0f, 180.0f, 300.0f}, {0.0f, 0.0f, 0.0f}, 1.0f, 0.5f},
        {"close, askew", {30.0f, -240.0f, 60.0f}, {120.0f, -150.0f, 0.0f}, 1.0f, 0.2f},
        {"close, at the horizon", {0.0f, 0.0f, 215.0f}, {200.0f, 0.0f, 150.0f}, 1.2f, 0.1f},
    };
    for (const auto& view : views) {
        SCOPED_TRACE(view.name);
        const glm::mat4 clip = glm::perspective(view.fovy, 4.0f / 3.0f, 1.0f, 2000.0f) *
                               glm::lookAt(view.eye, view.target, glm::vec3(0.0f, 1.0f, 0.0f));
        const std::uint32_t drawn = patches.selectForCamera(view.eye, clip, false);
        expectKept(
            drawn, view.mostDrawn, 100, [&](const glm::vec3& at) { return view.eye - at; },
            [&](const Corners& at) {
                return std::any_of(at.begin(), at.end(), [&](const glm::vec3& corner) {
                    const glm::vec4 q = clip * glm::vec4(corner, 1.0f);
                    return std::abs(q.x) <= q.w && std::abs(q.y) <= q.w && std::abs(q.z) <= q.w;
                });
            });
        EXPECT_GT(patches.selectForCamera(view.eye, clip, true), drawn);
    }
}

// The sun's orthographic view mapped to texels as the scene maps it; every
// face turned towards the sun with a corner in the region is drawn.
TEST_F(PlanetPatchesTest, SunKeepsEveryFaceTurnedToItInTheRegion)
{
    const struct {
        const char* name;
        glm::vec3 towardSun;
        glm::vec2 low, high;
        float mostDrawn;
    } cases[] = {
        {"whole map", {0.0f, 0.0f, 1.0f}, {0.0f, 0.0f}, {2048.0f, 2048.0f}, 0.7f},
        {"a tower's region", {0.6f, 0.0f, 0.8f}, {1000.0f, 1100.0f}, {1060.0f, 1180.0f}, 0.1f},
        {"a region on the rim", {0.0f, 1.0f, 0.0f}, {1800.0f, 990.0f}, {1860.0f, 1060.0f}, 0.1f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const glm::vec3 towardSun = glm::normalize(c.towardSun);
        const glm::vec3 up = std::abs(towardSun.y) > 0.9f ? glm::vec3(1.0f, 0.0f, 0.0f) : glm::vec3(0.0f, 1.0f, 0.0f);
        // As the scene's sun camera: 250 out, 500 across, depth 0 to 300.
        const glm::mat4 toTexels =
            glm::scale(glm::mat4(1.0f), glm::vec3(2048.0f)) * glm::translate(glm::mat4(1.0f), glm::vec3(0.5f)) *
            glm::scale(glm::mat4(1.0f), glm::vec3(0.5f)) * glm::ortho(-250.0f, 250.0f, -250.0f, 250.0f, 0.0f, 300.0f) *
            glm::lookAt(250.0f * towardSun, glm::vec3(0.0f), up);
        expectKept(
            patches.selectForSun(towardSun, toTexels, c.low, c.high), c.mostDrawn, 10,
            [&](const glm::vec3&) { return towardSun; },
            [&](const Corners& at) {
                glm::vec2 low(1e9f), high(-1e9f);
                for (const glm::vec3& corner : at) {
                    low = glm::min(low, glm::vec2(toTexels * glm::vec4(corner, 1.0f)));
                    high = glm::max(high, glm::vec2(toTexels * glm::vec4(corner, 1.0f)));
                }
                return high.x >= c.low.x && low.x <= c.high.x && high.y >= c.low.y && low.y <= c.high.y;
            });
    }
}

} // namespace
} // namespace BV
