// The nearest-tile search through the tile grid against the walk over every
// tile: the same tile for every point, ties and odd points included.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>
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
constexpr int kPointsPerLevel = 100000;
// Tile distances the test may spend per level on the full walk; it grows
// with the planet, so large planets compare fewer points with it directly.
constexpr double kWalkBudget = 4.0e6;

// Every tile that could beat a tile of search distance m for a point is
// truly within kLoose * m + kLooseSlack of it: the approximation is far
// better than 1 % (checked for every float below), so this bound does not
// lean on the grid's own tolerance.
constexpr double kLoose = 1.01;
constexpr double kLooseSlack = 1e-6;

// The walk restricted to the tiles that could beat a given answer. With q
// the point's distance from the centre, r a tile's and c the chord between
// their unit directions, distance^2 = (q - r)^2 + q r c^2, so a tile within
// distance B has a direction within c of the point's in each component. The
// tiles are kept in bands of the z of their direction, each sorted by x.
class RivalWalk {
public:
    explicit RivalWalk(const Planet& planet) : planet(planet)
    {
        const double count = static_cast<double>(planet.tiles.size());
        bands = std::max(1, static_cast<int>(std::sqrt(count) / 2.0));
        minRadius = std::numeric_limits<double>::max();
        for (const Tile& tile : planet.tiles) {
            const double r = glm::length(glm::dvec3(tile.position));
            minRadius = std::min(minRadius, r);
            maxRadius = std::max(maxRadius, r);
            const glm::dvec3 u = glm::dvec3(tile.position) / r;
            entries.push_back({bandOf(u.z), u.x, u.y, u.z, tile.index, tile.position});
        }
        std::sort(entries.begin(), entries.end(),
                  [](const Entry& a, const Entry& b) { return a.band != b.band ? a.band < b.band : a.x < b.x; });
        bandStart.assign(static_cast<std::size_t>(bands) + 1, 0);
        for (const Entry& entry : entries) {
            ++bandStart[static_cast<std::size_t>(entry.band) + 1];
        }
        for (int band = 0; band < bands; ++band) {
            bandStart[band + 1] += bandStart[band];
        }
    }

    // The tile the walk finds if `answer` is within reach of it; checks
    // every tile of the planet when the point is too odd to narrow down
    // (the centre, not finite, so far out that squared distances overflow).
    std::uint32_t nearest(const glm::vec3& point, std::uint32_t answer) const
    {
        const glm::dvec3 p(point);
        const double q = glm::length(p);
        const double bound = kLoose * TileGrid::searchDistance(planet.tiles[answer].position, point) + kLooseSlack;
        const double gap = q < minRadius ? minRadius - q : q > maxRadius ? q - maxRadius : 0.0;
        const double chord = std::sqrt(std::max((bound * bound - gap * gap) / (q * minRadius), 0.0)) + 1e-9;
        if (!(q > 0.0) || !(q < 1e15) || !(chord < 2.0)) {
            return planet.getTileIndexAtLinear(point);
        }
        const glm::dvec3 u = p / q;
        float bestDistance = std::numeric_limits<float>::max();
        std::uint32_t best = 0;
        for (int band = bandOf(u.z - chord); band <= bandOf(u.z + chord); ++band) {
            const auto first = entries.begin() + bandStart[static_cast<std::size_t>(band)];
            const auto end = entries.begin() + bandStart[static_cast<std::size_t>(band) + 1];
            auto e = std::lower_bound(first, end, u.x - chord, [](const Entry& a, double x) { return a.x < x; });
            for (; e != end && e->x <= u.x + chord; ++e) {
                if (std::abs(e->y - u.y) > chord || std::abs(e->z - u.z) > chord) {
                    continue;
                }
                const float distance = TileGrid::searchDistance(e->position, point);
                if (distance < bestDistance || (distance == bestDistance && e->index < best)) {
                    bestDistance = distance;
                    best = e->index;
                }
            }
        }
        return best;
    }

private:
    struct Entry {
        int band;
        double x; // the tile's direction
        double y;
        double z;
        std::uint32_t index;
        glm::vec3 position;
    };

    int bandOf(double z) const
    {
        return std::clamp(static_cast<int>(std::floor((z + 1.0) * 0.5 * bands)), 0, bands - 1);
    }

    const Planet& planet;
    int bands = 1;
    std::vector<Entry> entries; // by band, then by x
    std::vector<std::size_t> bandStart;
    double minRadius = 0.0;
    double maxRadius = 0.0;
};

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
    glm::vec3 onSphere(const glm::vec3& v) { return glm::normalize(v) * kRadius; }

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
        case 3: return onSphere(betweenTwo());
        case 4: return corner();
        case 5: return onSphere(corner());
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
    std::ostringstream out;
    out.precision(9);
    out << "(" << p.x << ", " << p.y << ", " << p.z << ")";
    return out.str();
}

} // namespace

// The distance arithmetic is within the grid's tolerance for every normal
// float: each factor of 4 scales the result by exactly 2, so the floats from
// 1 to 4 stand for all. Zero and denormal squares stay within the absolute
// tolerance. The test's own rival bound of 1 % leans on this too.
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
    EXPECT_LT(worst, kLoose - 1.0);
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

// At every level, 10^5 points of every kind. Each answer is checked against
// the walk over all tiles that could beat it; at small levels against the
// full walk itself, and on large planets the full walk still checks as many
// points as its budget allows.
TEST(TileGridTest, SearchFindsTheWalksTileForEveryKindOfPoint)
{
    for (std::uint16_t level = Planet::kMinSize; level <= Planet::kMaxSize; ++level) {
        SCOPED_TRACE("level " + std::to_string(level));
        Dice::seed(level);
        const Planet planet(level, kRadius);
        ASSERT_TRUE(planet.getTileGrid().isBuilt());
        const RivalWalk rivals(planet);
        PointMaker maker(planet, 1000u + level);
        const int walkEvery =
            std::max(1, static_cast<int>(static_cast<double>(kPointsPerLevel) * planet.tiles.size() / kWalkBudget));
        int mismatches[kKinds] = {};
        std::string first[kKinds];
        for (int i = 0; i < kPointsPerLevel; ++i) {
            // Points well inside or far above the surface are one in a
            // hundred, odd ones one in a thousand: the game asks about
            // neither, and both make the walks long.
            const int kind = i % 1000 == 999 ? 9 : i % 100 == 98 ? 8 : i % 8;
            const glm::vec3 point = maker.make(kind);
            const std::uint32_t answer = planet.getTileIndexAt(point);
            const bool fullWalk = i % walkEvery == 0;
            const std::uint32_t expected =
                fullWalk ? planet.getTileIndexAtLinear(point) : rivals.nearest(point, answer);
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
