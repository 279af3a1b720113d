// The nearest-tile search through the tile grid against the walk over every
// tile: the same tile for every point, ties and odd points included.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <glm/glm.hpp>

#include "game/Dice.h"
#include "game/Face.h"
#include "game/Planet.h"
#include "game/TileGrid.h"

using namespace BV;

namespace {

constexpr float kRadius = 200.0f;
// Points compared with the full walk per level: the walk grows with the
// planet, so large planets are checked on fewer points.
int pointsFor(std::uint16_t level)
{
    return level <= 6 ? 100000 : 3000;
}

float floatFromBits(std::uint32_t bits)
{
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Points of every kind the game could ask about, drawn with a fixed seed.
class PointMaker {
public:
    PointMaker(const Planet& planet, unsigned seed) : planet(planet), random(seed) {}

    // Uniform on the unit sphere.
    glm::vec3 direction()
    {
        glm::vec3 v;
        do {
            v = glm::vec3(uniform(-1.0f, 1.0f), uniform(-1.0f, 1.0f), uniform(-1.0f, 1.0f));
        } while (glm::dot(v, v) < 1e-4f || glm::dot(v, v) > 1.0f);
        return glm::normalize(v);
    }
    float uniform(float low, float high)
    {
        return low + (high - low) * static_cast<float>(random() >> 8) * (1.0f / 16777216.0f);
    }
    std::uint32_t pick(std::size_t count) { return static_cast<std::uint32_t>(random() % count); }
    const Tile& tile() { return planet.tiles[pick(planet.tiles.size())]; }

    // Halfway between a tile and one of its neighbours: equally far from
    // both but for rounding.
    glm::vec3 betweenTwo()
    {
        const Tile& a = tile();
        a.getNeighbours(neighbours);
        const Tile& b = planet.tiles[neighbours[pick(neighbours.size())]];
        return (a.position + b.position) * 0.5f;
    }
    // A tile corner: the centre of a triangle, equally far from three tiles.
    glm::vec3 corner()
    {
        const Face& face = *planet.faces[pick(planet.faces.size())];
        return (planet.tiles[face.corners[0]].position + planet.tiles[face.corners[1]].position +
                planet.tiles[face.corners[2]].position) /
               3.0f;
    }
    // On an edge or corner of the grid's cube: two or three components of
    // equal size.
    glm::vec3 cubeSeam()
    {
        const float a = uniform(0.2f, 1.0f) * (pick(2) ? 1.0f : -1.0f);
        const float b = pick(3) == 0 ? a : -a;
        const float c = pick(2) ? uniform(-1.0f, 1.0f) * std::abs(a) : (pick(2) ? a : -a);
        const glm::vec3 v[3] = {{a, b, c}, {c, a, b}, {b, c, a}};
        return v[pick(3)] * (kRadius / glm::length(v[0]));
    }

    // One point of kind `kind` (0 to 9); the walk-only odd kinds come last.
    glm::vec3 make(int kind)
    {
        switch (kind) {
        case 0: return direction() * kRadius;
        case 1: return direction() * kRadius * uniform(0.98f, 1.05f);
        case 2: return betweenTwo();
        case 3: return glm::normalize(betweenTwo()) * kRadius;
        case 4: return corner();
        case 5: return glm::normalize(corner()) * kRadius;
        case 6: return pick(2) ? tile().position : tile().position * 1.0000001f;
        case 7: return cubeSeam();
        case 8: return direction() * kRadius * uniform(0.0f, 3.0f);
        default: return odd();
        }
    }

    // Points off the usual range: the centre, denormal, tiny, far, huge,
    // infinite and not-a-number components.
    glm::vec3 odd()
    {
        const float inf = std::numeric_limits<float>::infinity();
        const float nan = std::numeric_limits<float>::quiet_NaN();
        const glm::vec3 fixed[] = {
            {0.0f, 0.0f, 0.0f},    {1e-30f, 0.0f, 0.0f},   {floatFromBits(1), 0.0f, floatFromBits(7)},
            {0.0f, 0.0f, kRadius}, {0.0f, 0.0f, -kRadius}, {kRadius, 0.0f, 0.0f},
            {1e20f, 3.0f, -1e19f}, {3e19f, 3e19f, 3e19f},  {inf, 0.0f, 0.0f},
            {-inf, inf, 1.0f},     {nan, 0.0f, 0.0f},      {0.0f, nan, kRadius},
            {-0.0f, -0.0f, -0.0f}, {1e-3f, -1e-3f, 2e-3f}, {0.0f, 0.0f, 1.37638f * kRadius},
        };
        const std::size_t count = sizeof fixed / sizeof fixed[0];
        const std::uint32_t which = pick(count + 3);
        if (which < count) {
            return fixed[which];
        }
        const float scales[3] = {uniform(1e-6f, 1e-2f), uniform(10.0f, 1000.0f), uniform(1e6f, 1e12f)};
        return direction() * kRadius * scales[which - count];
    }

private:
    const Planet& planet;
    std::mt19937 random;
    std::vector<std::uint32_t> neighbours;
};

const char* const kKindNames[] = {"on the sphere",         "near the sphere",
                                  "between two tiles",     "between two, on the sphere",
                                  "tile corner",           "corner on the sphere",
                                  "a tile's own position", "cube seam",
                                  "inside or above",       "odd"};
constexpr int kKinds = 10;

std::string describe(const glm::vec3& p)
{
    char text[80];
    std::snprintf(text, sizeof text, "(%.9g, %.9g, %.9g)", p.x, p.y, p.z);
    return text;
}

} // namespace

// The distance arithmetic is within the grid's tolerance for every normal
// float: each factor of 4 scales the result by exactly 2, so the floats from
// 1 to 4 stand for all. Zero and denormal squares stay within the absolute
// tolerance.
TEST(TileGridTest, DistanceArithmeticStaysWithinItsTolerance)
{
    double worst = 0.0;
    for (std::uint32_t bits = 0x3F800000u; bits < 0x40800000u; ++bits) {
        const float squared = floatFromBits(bits);
        const double exact = std::sqrt(static_cast<double>(squared));
        worst = std::max(worst, std::abs(TileGrid::approximateDistance(squared) - exact) / exact);
    }
    // The rounding of the offset and the dot product adds under 1e-6.
    EXPECT_LT(worst, TileGrid::kRelativeError - 1e-5);
    for (float squared : {2.5f, 3.7f}) {
        for (float scale = 1.0f / 1024; scale <= 1024.0f; scale *= 4.0f) {
            EXPECT_EQ(TileGrid::approximateDistance(squared * scale * scale),
                      TileGrid::approximateDistance(squared) * scale);
        }
    }
    for (std::uint32_t bits : {0u, 1u, 0x1234u, 0x7FFFFFu, 0x800000u}) {
        const float squared = floatFromBits(bits);
        EXPECT_NEAR(TileGrid::approximateDistance(squared), std::sqrt(static_cast<double>(squared)),
                    TileGrid::kAbsoluteError);
    }
}

// At every level, points of every kind against the walk over all tiles:
// 10^5 up to size 6, a few thousand above. Every eighth kind of point lies
// exactly between tiles, so ties are checked at every level.
TEST(TileGridTest, SearchFindsTheWalksTileForEveryKindOfPoint)
{
    for (std::uint16_t level = Planet::kMinSize; level <= Planet::kMaxSize; ++level) {
        SCOPED_TRACE("level " + std::to_string(level));
        Dice::seed(level);
        const Planet planet(level, kRadius);
        ASSERT_TRUE(planet.getTileGrid().isBuilt());
        PointMaker maker(planet, 1000u + level);
        int mismatches[kKinds] = {};
        std::string first[kKinds];
        for (int i = 0; i < pointsFor(level); ++i) {
            // Points well inside or far above the surface are one in a
            // hundred, odd ones one in a thousand: the game asks about
            // neither.
            const int kind = i % 1000 == 999 ? 9 : i % 100 == 98 ? 8 : i % 8;
            const glm::vec3 point = maker.make(kind);
            const std::uint32_t answer = planet.getTileIndexAt(point);
            const std::uint32_t expected = planet.getTileIndexAtLinear(point);
            if (answer != expected && mismatches[kind]++ == 0) {
                first[kind] =
                    describe(point) + " gave " + std::to_string(answer) + ", the walk " + std::to_string(expected);
            }
        }
        for (int kind = 0; kind < kKinds; ++kind) {
            EXPECT_EQ(mismatches[kind], 0) << kKindNames[kind] << ": first at " << first[kind];
        }
    }
}
