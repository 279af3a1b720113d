// The planet's construction, the sizes a driver can hold, the terrain atlas, the nearest-tile search against the walk
// over every tile, and the patches that let a view draw only the faces that can show.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iomanip>
#include <iterator>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <glm/glm.hpp>
#include <glm/gtc/matrix_transform.hpp>

#include "game/Dice.h"
#include "game/Face.h"
#include "game/Game.h"
#include "game/Planet.h"
#include "game/PlanetPatches.h"
#include "game/TerrainAtlas.h"
#include "game/TileGrid.h"

using namespace BV;

namespace {

constexpr float kRadius = 200.0f;

// An FNV-1a hash of everything the construction decides, positions rounded to a thousandth.
std::uint64_t fingerprint(const Planet& planet)
{
    std::uint64_t hash = 14695981039346656037ull;
    auto mix = [&hash](std::int64_t value) {
        for (int i = 0; i < 8; ++i) {
            hash = (hash ^ static_cast<std::uint64_t>((value >> (8 * i)) & 0xff)) * 1099511628211ull;
        }
    };
    for (const Tile& tile : planet.tiles) {
        mix(tile.index);
        mix(tile.type);
        for (int k = 0; k < 3; ++k) {
            mix(std::llround(tile.position[k] * 1000.0f));
            mix(std::llround(tile.normal[k] * 100000.0f));
        }
        for (const Face* face : tile.faces) {
            mix(face->faceIndex);
        }
    }
    for (const Face* face : planet.faces) {
        for (int k = 0; k < 3; ++k) {
            mix(face->corners[k]);
            mix(face->neighbours[k]->faceIndex);
        }
    }
    return hash;
}

using Corners = std::array<glm::vec3, 3>;

Corners cornersOf(const Planet& planet, const Face& face)
{
    return {planet.tiles[face.corners[0]].position, planet.tiles[face.corners[1]].position,
            planet.tiles[face.corners[2]].position};
}

glm::vec3 faceCentre(const Planet& planet, const Face& face)
{
    const Corners c = cornersOf(planet, face);
    return (c[0] + c[1] + c[2]) / 3.0f;
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

    glm::vec3 direction() // uniform on the unit sphere
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

    glm::vec3 betweenTwo()
    {
        const Tile& a = tile();
        a.getNeighbours(neighbours);
        return (a.position + planet.tiles[neighbours[pick(neighbours.size())]].position) * 0.5f;
    }
    glm::vec3 corner() { return faceCentre(planet, *planet.faces[pick(planet.faces.size())]); }
    // On an edge or corner of the grid's cube: two or three components of equal size.
    glm::vec3 cubeSeam()
    {
        const float a = uniform(0.2f, 1.0f) * (pick(2) ? 1.0f : -1.0f);
        const float b = pick(3) == 0 ? a : -a;
        const float c = pick(2) ? uniform(-1.0f, 1.0f) * std::abs(a) : (pick(2) ? a : -a);
        const glm::vec3 v[3] = {{a, b, c}, {c, a, b}, {b, c, a}};
        return v[pick(3)] * (kRadius / glm::length(v[0]));
    }
    // Points off the usual range: the centre, denormal, tiny, far, huge, infinite and not-a-number components.
    glm::vec3 odd()
    {
        const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
        const glm::vec3 fixed[] = {
            {0.0f, 0.0f, 0.0f},    {1e-30f, 0.0f, 0.0f},   {floatFromBits(1), 0.0f, floatFromBits(7)},
            {0.0f, 0.0f, kRadius}, {0.0f, 0.0f, -kRadius}, {kRadius, 0.0f, 0.0f},
            {1e20f, 3.0f, -1e19f}, {3e19f, 3e19f, 3e19f},  {inf, 0.0f, 0.0f},
            {-inf, inf, 1.0f},     {nan, 0.0f, 0.0f},      {0.0f, nan, kRadius},
            {-0.0f, -0.0f, -0.0f}, {1e-3f, -1e-3f, 2e-3f}, {0.0f, 0.0f, 1.37638f * kRadius},
        };
        const std::uint32_t which = pick(std::size(fixed) + 3);
        if (which < std::size(fixed)) {
            return fixed[which];
        }
        const float scales[3] = {uniform(1e-6f, 1e-2f), uniform(10.0f, 1000.0f), uniform(1e6f, 1e12f)};
        return direction() * kRadius * scales[which - std::size(fixed)];
    }

private:
    const Planet& planet;
    std::mt19937 random;
    std::vector<std::uint32_t> neighbours;
};

// The kinds of point; the walk-only odd kinds come last.
const struct {
    const char* name;
    glm::vec3 (*make)(PointMaker&);
} kKinds[] = {
    {"on the sphere", [](PointMaker& m) { return m.direction() * kRadius; }},
    {"near the sphere", [](PointMaker& m) { return m.direction() * kRadius * m.uniform(0.98f, 1.05f); }},
    {"between two tiles", [](PointMaker& m) { return m.betweenTwo(); }},
    {"between two, on the sphere", [](PointMaker& m) { return glm::normalize(m.betweenTwo()) * kRadius; }},
    {"tile corner", [](PointMaker& m) { return m.corner(); }},
    {"corner on the sphere", [](PointMaker& m) { return glm::normalize(m.corner()) * kRadius; }},
    {"a tile's own position",
     [](PointMaker& m) { return m.pick(2) ? m.tile().position : m.tile().position * 1.0000001f; }},
    {"cube seam", [](PointMaker& m) { return m.cubeSeam(); }},
    {"inside or above", [](PointMaker& m) { return m.direction() * kRadius * m.uniform(0.0f, 3.0f); }},
    {"odd", [](PointMaker& m) { return m.odd(); }},
};
constexpr int kKindCount = static_cast<int>(std::size(kKinds));

} // namespace

// Five neighbours for the twelve base tiles and six for every other, triangles and each tile's faces counter-clockwise
// from outside. The hashes were recorded once the fast construction and the straightforward one (neighbours by directed
// edge, handled edges searched linearly, faces sorted by angle) agreed on every value, terrain after Dice::seed(1).
TEST(PlanetTest, ConstructionFollowsTheSubdivisionLevelAndMatchesTheStraightforwardOne)
{
    const std::uint64_t hashes[5] = {10963465985211418450ull, 16654057035013365957ull, 10598477183786109468ull,
                                     15284055912443725261ull, 9084845813695971619ull};
    std::vector<std::uint32_t> neighbours;
    for (int level = 0; level <= 5; ++level) {
        SCOPED_TRACE("level " + std::to_string(level));
        Dice::seed(1);
        Planet planet(static_cast<std::uint16_t>(level), kRadius);
        if (level <= 4) {
            EXPECT_EQ(fingerprint(planet), hashes[level]);
        }
        if (level == 0) { // by hand: from the face added last around the tile, counter-clockwise
            planet.tiles[0].getNeighbours(neighbours);
            EXPECT_EQ(neighbours, (std::vector<std::uint32_t>{3, 8, 9, 1, 2}));
            planet.tiles[11].getNeighbours(neighbours);
            EXPECT_EQ(neighbours, (std::vector<std::uint32_t>{3, 5, 2, 10, 6}));
        }
        const auto power = static_cast<std::uint32_t>(std::pow(3, level));
        EXPECT_EQ(planet.tiles.size(), 2 + 10 * power);
        EXPECT_EQ(planet.tiles.size(), Planet::tileCountFor(static_cast<std::uint16_t>(level)));
        EXPECT_EQ(planet.faces.size(), 20 * power);
        // The base solid stays off the sphere until the first subdivision.
        const float expectedDistance = level == 0 ? 1.37638f * kRadius : kRadius;
        for (const Tile& tile : planet.tiles) {
            ASSERT_NEAR(glm::length(tile.position), expectedDistance, 0.01f) << "tile " << tile.index;
            tile.getNeighbours(neighbours);
            const std::size_t expected = tile.index < 12 ? 5 : 6;
            ASSERT_EQ(neighbours.size(), expected) << "tile " << tile.index;
            ASSERT_EQ(tile.faces.size(), expected);
            std::sort(neighbours.begin(), neighbours.end());
            ASSERT_EQ(std::unique(neighbours.begin(), neighbours.end()), neighbours.end());
            for (std::size_t i = 0; i + 1 < tile.faces.size(); ++i) {
                const glm::vec3 from = faceCentre(planet, *tile.faces[i]) - tile.position;
                const glm::vec3 to = faceCentre(planet, *tile.faces[i + 1]) - tile.position;
                ASSERT_GT(glm::dot(glm::cross(from, to), tile.normal), 0.0f);
            }
        }
        for (const Face* face : planet.faces) {
            const Corners c = cornersOf(planet, *face);
            ASSERT_GT(glm::dot(glm::cross(c[1] - c[0], c[2] - c[0]), c[0] + c[1] + c[2]), 0.0f);
        }
    }
}

// A size is played only if the driver's buffer textures hold one value per tile; OpenGL 3.3 promises 65,536.
TEST(PlanetTest, SizesBeyondTheDriversBufferTexturesAreRefused)
{
    const std::string unsupported = "Unsupported value for planet_size: ";
    const struct {
        std::uint16_t size;
        std::int64_t limit;
        std::string fault;
    } cases[] = {
        {7, 65536, ""},
        {8, 65536, unsupported + "8 (65612 tiles, but buffer textures on this driver hold 65536)"},
        {8, 65612, ""},
        {9, 196831, unsupported + "9 (196832 tiles, but buffer textures on this driver hold 196831)"},
        {1, 0, unsupported + "1 (32 tiles, but buffer textures on this driver hold 0)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.size) + " / " + std::to_string(c.limit));
        EXPECT_EQ(Game::planetSizeFault(c.size, c.limit), c.fault);
    }
}

// The atlas layout the planet's mesh and the asset baker share: which cell a triangle shows depends on which corner
// carries which type, and every cell the baker paints is the cell of the corner types it paints into it.
TEST(PlanetTest, AtlasCellFollowsTheCornerTypesInMeshOrder)
{
    const struct {
        std::uint32_t types[3];
        std::uint32_t cell;
    } cases[] = {{{1, 1, 1}, 31}, {{0, 4, 0}, 4}, {{0, 0, 4}, 20}, {{4, 0, 0}, 100}, {{4, 4, 4}, 124}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cell);
        EXPECT_EQ(TerrainAtlas::cellOf(c.types[0], c.types[1], c.types[2]), c.cell);
    }
    EXPECT_NEAR(TerrainAtlas::cellU(31), 0.5828f, 1e-4f); // row 2, column 7
    EXPECT_NEAR(TerrainAtlas::cellV(31), 0.1665f, 1e-4f);
    for (std::uint32_t cell = 0; cell < TerrainAtlas::cellCount; ++cell) {
        const auto type = [cell](int corner) { return TerrainAtlas::cornerType(cell, corner); };
        ASSERT_EQ(TerrainAtlas::cellOf(type(0), type(1), type(2)), cell);
    }
    EXPECT_LE(TerrainAtlas::cellV(TerrainAtlas::cellCount - 1) + TerrainAtlas::cellSize, 1.0f);
}

// Each factor of 4 scales the distance by exactly 2, so the floats from 1 to 4 stand for every normal float.
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

// At every level, points of every kind against the walk over all tiles; ties between tiles included.
TEST(TileGridTest, SearchFindsTheWalksTileForEveryKindOfPoint)
{
    for (std::uint16_t level = Planet::kMinSize; level <= Planet::kMaxSize; ++level) {
        SCOPED_TRACE("level " + std::to_string(level));
        Dice::seed(level);
        const Planet planet(level, kRadius);
        ASSERT_TRUE(planet.getTileGrid().isBuilt());
        PointMaker maker(planet, 1000u + level);
        bool reported[kKindCount] = {}; // the first mismatch of each kind
        for (int i = 0; i < (level <= 6 ? 100000 : 3000); ++i) {
            // The game asks about points well inside or far above the surface, and odd ones, rarely or never.
            const int kind = i % 1000 == 999 ? 9 : i % 100 == 98 ? 8 : i % 8;
            const glm::vec3 point = kKinds[kind].make(maker);
            const std::uint32_t answer = planet.getTileIndexAt(point);
            const std::uint32_t expected = planet.getTileIndexAtLinear(point);
            if (answer != expected && !reported[kind]) {
                reported[kind] = true;
                ADD_FAILURE() << kKinds[kind].name << std::setprecision(9) << ": (" << point.x << ", " << point.y
                              << ", " << point.z << ") gave " << answer << ", the walk " << expected;
            }
        }
    }
}

namespace {

class PlanetPatchesTest : public ::testing::Test {
protected:
    void SetUp() override { patches.build(planet->tiles, planet->faces); }

    // Every face turned towards `towards(its first corner)` with corners `inRegion` (more than `least`) must be in
    // the last selection's runs, which hold `drawn` faces, at most `mostDrawn` of all.
    template <typename Towards, typename InRegion>
    void expectKept(std::uint32_t drawn, float mostDrawn, int least, Towards towards, InRegion inRegion) const
    {
        std::vector<bool> selected(planet->faces.size(), false);
        for (std::size_t run = 0; run < patches.getRunCounts().size(); ++run) {
            const auto first = static_cast<std::size_t>(patches.getRunFirsts()[run]);
            for (std::size_t i = first; i < first + static_cast<std::size_t>(patches.getRunCounts()[run]); ++i) {
                selected[patches.getIndices()[i] / 3] = true;
            }
        }
        EXPECT_EQ(static_cast<std::uint32_t>(std::count(selected.begin(), selected.end(), true)), drawn);
        EXPECT_LE(drawn, mostDrawn * static_cast<float>(planet->faces.size()));
        int showing = 0;
        for (std::size_t f = 0; f < planet->faces.size(); ++f) {
            const Corners at = cornersOf(*planet, *planet->faces[f]);
            const glm::vec3 normal = glm::cross(at[1] - at[0], at[2] - at[0]);
            const float outward = glm::dot(normal, at[0]) < 0.0f ? -1.0f : 1.0f;
            if (outward * glm::dot(normal, towards(at[0])) > 0.0f && inRegion(at)) {
                ++showing;
                ASSERT_TRUE(selected[f]) << "face " << f;
            }
        }
        EXPECT_GT(showing, least);
    }

    const std::unique_ptr<Planet> planet = std::make_unique<Planet>(6, 200.0f);
    PlanetPatches patches;
};

} // namespace

TEST_F(PlanetPatchesTest, EveryFaceLiesInOnePatchAndAllSelectsEachOnce)
{
    // Each face's three vertices together; with every face kept below, each face is there once.
    const std::vector<std::uint32_t>& indices = patches.getIndices();
    ASSERT_EQ(indices.size(), 3 * planet->faces.size());
    // Patches of the intended size: not one per face, not one for all.
    EXPECT_GE(patches.getPatchCount(), 6u);
    EXPECT_LE(patches.getPatchCount(), planet->faces.size() / 100);
    for (std::size_t i = 0; i < indices.size(); i += 3) {
        ASSERT_EQ(indices[i] % 3, 0u) << i;
        ASSERT_EQ(indices[i + 1], indices[i] + 1) << i;
        ASSERT_EQ(indices[i + 2], indices[i] + 2) << i;
    }
    const std::uint32_t all = patches.selectAll();
    EXPECT_EQ(patches.getRunCounts().size(), 1u) << "neighbouring patches join one run";
    expectKept( // every face is turned towards its own corner
        all, 1.0f, 0, [](const glm::vec3& at) { return at; }, [](const Corners&) { return true; });
}

// Cameras from close above the ground to far off; every face turned towards the eye with a corner in view is drawn. A
// wireframe view sees the back as well.
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

// The sun's orthographic view mapped to texels as the scene maps it: a tower's region draws a small share of the faces.
// That none which can cast a shadow is left out, the frames of the planet's shadow test show.
TEST_F(PlanetPatchesTest, SunDrawsOnlyThePatchesNearItsRegion)
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
        const std::uint32_t drawn = patches.selectForSun(towardSun, toTexels, c.low, c.high);
        EXPECT_GT(drawn, 0u);
        EXPECT_LE(drawn, c.mostDrawn * static_cast<float>(planet->faces.size()));
    }
}
