#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <utility>
#include <vector>

#include <glm/glm.hpp>

#include "game/Face.h"
#include "game/Planet.h"

using namespace BV;

namespace {

constexpr float kRadius = 200.0f;

std::uint32_t expectedTiles(int level)
{
    return 2 + 10 * static_cast<std::uint32_t>(std::pow(3, level));
}

glm::vec3 centreOf(const Planet& planet, const Face& face)
{
    return (planet.tiles[face.corners[0]].position + planet.tiles[face.corners[1]].position +
            planet.tiles[face.corners[2]].position) /
           3.0f;
}

// `v` seen from outside the planet: its part in the plane of the tile.
glm::vec3 flatten(const glm::vec3& v, const glm::vec3& normal)
{
    return v - normal * glm::dot(v, normal);
}

std::vector<std::uint32_t> faceIndices(const Tile& tile)
{
    std::vector<std::uint32_t> result;
    for (const Face* face : tile.faces) {
        result.push_back(face->faceIndex);
    }
    return result;
}

// The construction written the plain way: an ordered edge table per step and
// a list of handled edges searched from the start for every edge.
struct ReferencePlanet {
    struct RefFace {
        std::uint32_t corners[3];
        int neighbours[3] = {-1, -1, -1};
        std::uint32_t centre = 0;
    };

    std::vector<glm::vec3> positions;
    std::vector<glm::vec3> normals;
    std::vector<std::vector<int>> tileFaces;
    std::vector<RefFace> faces;
    float radius;

    ReferencePlanet(int level, float r) : radius(r)
    {
        const float a = 0.723606f * r;
        const float b = 1.17082f * r;
        const glm::vec3 base[12] = {{a, 0, b},   {0, b, a},  {-a, 0, b}, {0, -b, a}, {a, 0, -b}, {0, -b, -a},
                                    {-a, 0, -b}, {0, b, -a}, {b, -a, 0}, {b, a, 0},  {-b, a, 0}, {-b, -a, 0}};
        for (const glm::vec3& p : base) {
            addTile(p);
        }
        const std::uint32_t triangles[20][3] = {{5, 11, 6}, {1, 2, 0},   {0, 2, 3},   {5, 6, 4},  {4, 6, 7},
                                                {9, 1, 0},  {10, 2, 1},  {2, 10, 11}, {11, 3, 2}, {8, 9, 0},
                                                {0, 3, 8},  {11, 10, 6}, {4, 7, 9},   {9, 8, 4},  {7, 6, 10},
                                                {1, 9, 7},  {10, 1, 7},  {5, 4, 8},   {3, 11, 5}, {8, 3, 5}};
        std::map<std::pair<std::uint32_t, std::uint32_t>, int> edges;
        for (const auto& t : triangles) {
            addFace(t[0], t[1], t[2], faces, edges);
        }
        for (int i = 0; i < level; ++i) {
            subdivide();
        }
        sortFaces();
    }

    void addTile(const glm::vec3& p)
    {
        positions.push_back(p);
        normals.push_back(glm::normalize(p));
        tileFaces.emplace_back();
    }

    glm::vec3 centroid(const RefFace& f) const
    {
        return (positions[f.corners[0]] + positions[f.corners[1]] + positions[f.corners[2]]) / 3.0f;
    }

    void addFace(std::uint32_t p, std::uint32_t q, std::uint32_t r, std::vector<RefFace>& target,
                 std::map<std::pair<std::uint32_t, std::uint32_t>, int>& edges)
    {
        const int index = static_cast<int>(target.size());
        target.push_back(RefFace{{p, q, r}});
        tileFaces[p].push_back(index);
        tileFaces[q].push_back(index);
        tileFaces[r].push_back(index);
        for (int e = 0; e < 3; ++e) {
            const std::uint32_t s = target[index].corners[e];
            const std::uint32_t t = target[index].corners[(e + 1) % 3];
            const auto key = std::make_pair(std::min(s, t), std::max(s, t));
            const auto found = edges.find(key);
            if (found == edges.end()) {
                edges[key] = index;
                continue;
            }
            RefFace& other = target[found->second];
            for (int oe = 0; oe < 3; ++oe) {
                const std::uint32_t os = other.corners[oe];
                const std::uint32_t ot = other.corners[(oe + 1) % 3];
                if (std::min(os, ot) == key.first && std::max(os, ot) == key.second) {
                    other.neighbours[oe] = index;
                }
            }
            target[index].neighbours[e] = found->second;
        }
    }

    void subdivide()
    {
        for (auto& list : tileFaces) {
            list.clear();
        }
        for (RefFace& f : faces) {
            f.centre = static_cast<std::uint32_t>(positions.size());
            addTile(centroid(f));
        }
        std::vector<RefFace> fresh;
        std::map<std::pair<std::uint32_t, std::uint32_t>, int> edges;
        std::vector<std::pair<std::uint32_t, std::uint32_t>> handled;
        for (const RefFace& f : faces) {
            for (int e = 0; e < 3; ++e) {
                const std::uint32_t s = f.corners[e];
                const std::uint32_t t = f.corners[(e + 1) % 3];
                const auto pair = std::make_pair(std::min(s, t), std::max(s, t));
                if (std::find(handled.begin(), handled.end(), pair) != handled.end()) {
                    continue;
                }
                const RefFace& g = faces[f.neighbours[e]];
                addFace(s, g.centre, f.centre, fresh, edges);
                addFace(f.centre, g.centre, t, fresh, edges);
                handled.push_back(pair);
            }
        }
        faces = fresh;
        for (glm::vec3& p : positions) {
            p = glm::normalize(p) * radius;
        }
    }

    void sortFaces()
    {
        for (std::size_t i = 0; i < positions.size(); ++i) {
            std::vector<int>& list = tileFaces[i];
            const glm::vec3 r = glm::normalize(centroid(faces[list.back()]) - positions[i]);
            std::vector<float> keys(faces.size());
            for (int f : list) {
                const glm::vec3 c = centroid(faces[f]);
                const glm::vec3 u = glm::normalize(c - positions[i]);
                double angle = std::acos(std::clamp(static_cast<double>(glm::dot(u, r)), -1.0, 1.0));
                if (glm::dot(glm::cross(r, u), glm::normalize(c)) < 0.0f) {
                    angle = (3.1415927 - angle) + 3.1415927;
                }
                keys[f] = static_cast<float>(angle);
            }
            std::sort(list.begin(), list.end(), [&](int x, int y) { return keys[x] < keys[y]; });
        }
    }
};

} // namespace

// ---- Shape of the mesh ------------------------------------------------------

TEST(PlanetTest, CountsFollowTheSubdivisionLevel)
{
    for (int level = 0; level <= 5; ++level) {
        srand(1);
        Planet planet(static_cast<std::uint16_t>(level), kRadius);
        EXPECT_EQ(planet.tiles.size(), expectedTiles(level)) << "level " << level;
        EXPECT_EQ(planet.faces.size(), 20u * static_cast<std::uint32_t>(std::pow(3, level))) << "level " << level;
        EXPECT_EQ(planet.subdivisionLevel, level);
        EXPECT_EQ(planet.visibilityValues, std::vector<float>(planet.tiles.size(), 0.2f));
        EXPECT_EQ(planet.ownerValues, std::vector<float>(planet.tiles.size(), 0.0f));
        // The base solid stays off the sphere until the first subdivision.
        const float expectedDistance = level == 0 ? 1.37638f * kRadius : kRadius;
        for (const Tile& tile : planet.tiles) {
            ASSERT_NEAR(glm::length(tile.position), expectedDistance, 0.01f) << "tile " << tile.index;
            ASSERT_NEAR(glm::length(tile.normal), 1.0f, 1e-5f);
            ASSERT_GT(glm::dot(tile.normal, tile.position), 0.0f);
        }
    }
}

TEST(PlanetTest, BaseCornersHaveFiveNeighboursAndAllOthersSix)
{
    srand(1);
    Planet planet(4, kRadius);
    std::vector<std::uint32_t> neighbours;
    for (const Tile& tile : planet.tiles) {
        tile.getNeighbours(neighbours);
        const std::size_t expected = tile.index < 12 ? 5 : 6;
        ASSERT_EQ(neighbours.size(), expected) << "tile " << tile.index;
        ASSERT_EQ(tile.faces.size(), expected) << "tile " << tile.index;
        std::vector<std::uint32_t> unique = neighbours;
        std::sort(unique.begin(), unique.end());
        ASSERT_EQ(std::unique(unique.begin(), unique.end()), unique.end());
    }
}

// Every triangle is wound counter-clockwise seen from outside, its neighbour
// links point back across the same edge, and each tile's faces follow one
// another counter-clockwise, each sharing an edge with the next, once round.
TEST(PlanetTest, FacesRunCounterClockwiseSeenFromOutside)
{
    for (std::uint16_t level : {0, 1, 3}) {
        srand(1);
        Planet planet(level, kRadius);
        for (const Face* face : planet.faces) {
            const glm::vec3& p0 = planet.tiles[face->corners[0]].position;
            const glm::vec3& p1 = planet.tiles[face->corners[1]].position;
            const glm::vec3& p2 = planet.tiles[face->corners[2]].position;
            ASSERT_GT(glm::dot(glm::cross(p1 - p0, p2 - p0), p0), 0.0f) << "face " << face->faceIndex;
            for (int edge = 0; edge < 3; ++edge) {
                const Face* other = face->neighbours[edge];
                ASSERT_NE(other, nullptr);
                const int back =
                    static_cast<int>(std::find(other->neighbours, other->neighbours + 3, face) - other->neighbours);
                ASSERT_LT(back, 3);
                EXPECT_EQ(other->corners[back], face->corners[(edge + 1) % 3]);
                EXPECT_EQ(other->corners[(back + 1) % 3], face->corners[edge]);
            }
        }
        for (const Tile& tile : planet.tiles) {
            const std::size_t n = tile.faces.size();
            float turned = 0.0f;
            for (std::size_t i = 0; i < n; ++i) {
                const glm::vec3 a = flatten(centreOf(planet, *tile.faces[i]) - tile.position, tile.normal);
                const glm::vec3 b = flatten(centreOf(planet, *tile.faces[(i + 1) % n]) - tile.position, tile.normal);
                ASSERT_GT(glm::dot(glm::cross(a, b), tile.normal), 0.0f) << "tile " << tile.index;
                turned += std::acos(std::min(1.0f, glm::dot(glm::normalize(a), glm::normalize(b))));
                const Face* next = tile.faces[(i + 1) % n];
                ASSERT_NE(std::find(next->neighbours, next->neighbours + 3, tile.faces[i]), next->neighbours + 3);
            }
            EXPECT_NEAR(turned, 2.0f * 3.14159265f, 1e-3f) << "tile " << tile.index;
        }
    }
}

// Worked out by hand from the base triangles: the list starts with the face
// that was added last around the tile and turns counter-clockwise.
TEST(PlanetTest, KnownNeighbourListsOfSmallPlanets)
{
    srand(1);
    Planet base(0, kRadius);
    std::vector<std::uint32_t> neighbours;
    base.tiles[0].getNeighbours(neighbours);
    EXPECT_EQ(neighbours, (std::vector<std::uint32_t>{3, 8, 9, 1, 2}));
    EXPECT_EQ(faceIndices(base.tiles[0]), (std::vector<std::uint32_t>{10, 9, 5, 1, 2}));
    base.tiles[5].getNeighbours(neighbours);
    EXPECT_EQ(neighbours, (std::vector<std::uint32_t>{8, 3, 11, 6, 4}));
    base.tiles[11].getNeighbours(neighbours);
    EXPECT_EQ(neighbours, (std::vector<std::uint32_t>{3, 5, 2, 10, 6}));

    // Tile 12 is the centre of base triangle (5, 11, 6); its neighbours are
    // those corners and the centres 15, 23 and 30 of the triangles across.
    srand(1);
    Planet once(1, kRadius);
    once.tiles[12].getNeighbours(neighbours);
    EXPECT_EQ(neighbours, (std::vector<std::uint32_t>{15, 5, 30, 11, 23, 6}));
    EXPECT_EQ(faceIndices(once.tiles[12]), (std::vector<std::uint32_t>{5, 0, 1, 2, 3, 4}));
    EXPECT_EQ(once.faces[0]->corners[0], 5u);
    EXPECT_EQ(once.faces[0]->corners[1], 30u);
    EXPECT_EQ(once.faces[0]->corners[2], 12u);
}

TEST(PlanetTest, ConstructionMatchesThePlainLinearSearch)
{
    for (int level = 0; level <= 4; ++level) {
        srand(1);
        Planet planet(static_cast<std::uint16_t>(level), kRadius);
        ReferencePlanet reference(level, kRadius);
        ASSERT_EQ(planet.tiles.size(), reference.positions.size());
        ASSERT_EQ(planet.faces.size(), reference.faces.size());
        for (std::size_t i = 0; i < planet.tiles.size(); ++i) {
            const Tile& tile = planet.tiles[i];
            ASSERT_EQ(tile.index, i);
            ASSERT_EQ(tile.position, reference.positions[i]) << "level " << level << " tile " << i;
            ASSERT_EQ(tile.normal, reference.normals[i]) << "level " << level << " tile " << i;
            const std::vector<int>& expected = reference.tileFaces[i];
            ASSERT_EQ(faceIndices(tile), std::vector<std::uint32_t>(expected.begin(), expected.end()))
                << "level " << level << " tile " << i;
        }
        for (std::size_t f = 0; f < planet.faces.size(); ++f) {
            const Face& face = *planet.faces[f];
            ASSERT_EQ(face.faceIndex, f);
            for (int k = 0; k < 3; ++k) {
                ASSERT_EQ(face.corners[k], reference.faces[f].corners[k]) << "level " << level << " face " << f;
                ASSERT_EQ(static_cast<int>(face.neighbours[k]->faceIndex), reference.faces[f].neighbours[k]);
            }
        }
    }
}

// ---- Tile search and terrain ------------------------------------------------

TEST(PlanetTest, EquallyNearTilesGiveTheLowestIndex)
{
    srand(1);
    Planet base(0, kRadius);
    const float a = 0.723606f * kRadius;
    const float b = 1.17082f * kRadius;
    EXPECT_EQ(base.getTileIndexAt({0.0f, 0.0f, b}), 0u);    // between 0 and 2
    EXPECT_EQ(base.getTileIndexAt({0.0f, 0.0f, -b}), 4u);   // between 4 and 6
    EXPECT_EQ(base.getTileIndexAt({b, 0.0f, 0.0f}), 8u);    // between 8 and 9
    EXPECT_EQ(base.getTileIndexAt({-b, 0.0f, 0.0f}), 10u);  // between 10 and 11
    EXPECT_EQ(base.getTileIndexAt({-a, 0.0f, b}), 2u);      // exactly on tile 2
    EXPECT_EQ(base.getTileIndexAt({0.0f, 0.0f, 0.0f}), 0u); // the centre: all twelve tie
}

// The search trades exactness for speed: the tile it finds is at most a
// fraction of a percent farther away than the nearest one.
TEST(PlanetTest, TileSearchFindsTheNearestTile)
{
    srand(3);
    Planet planet(3, kRadius);
    for (int i = 0; i < 300; ++i) {
        const glm::vec3 point(rand() % 801 - 400, rand() % 801 - 400, rand() % 801 - 400);
        float nearest = 1e30f;
        for (const Tile& tile : planet.tiles) {
            nearest = std::min(nearest, glm::length(tile.position - point));
        }
        const std::uint32_t found = planet.getTileIndexAt(point);
        ASSERT_LE(glm::length(planet.tiles[found].position - point), nearest * 1.005f + 1e-3f);
    }
    for (const Tile& tile : planet.tiles) {
        ASSERT_EQ(planet.getTileIndexAt(tile.position * 1.01f), tile.index);
    }
}

// The terrain draw takes one rand() per tile in index order; whatever the
// draw, the two start tiles can carry a tower.
TEST(PlanetTest, TileTypesFollowTheDrawAndStartTilesTakeTowers)
{
    auto typeFor = [](int r) -> std::uint32_t {
        if (r <= 9)
            return 0;
        if (r <= 19)
            return 3;
        if (r <= 39)
            return 1;
        if (r <= 59)
            return 4;
        if (r <= 79)
            return 2;
        return 1;
    };
    int startTilesOverridden = 0;
    for (unsigned seed = 1; seed <= 20; ++seed) {
        srand(seed);
        Planet planet(2, kRadius);
        srand(seed);
        std::vector<std::uint32_t> drawn;
        for (std::size_t i = 0; i < planet.tiles.size(); ++i) {
            drawn.push_back(typeFor(rand() % 100 + 1));
        }
        const std::uint32_t north = planet.getTileIndexAt({0.0f, 0.0f, 200.0f});
        const std::uint32_t south = planet.getTileIndexAt({0.0f, 0.0f, -200.0f});
        ASSERT_NE(north, south);
        std::uint32_t counts[5] = {};
        for (const Tile& tile : planet.tiles) {
            if (tile.index == north || tile.index == south) {
                EXPECT_EQ(tile.type, 1u);
                startTilesOverridden += drawn[tile.index] != 1 ? 1 : 0;
            } else {
                ASSERT_EQ(tile.type, drawn[tile.index]) << "seed " << seed << " tile " << tile.index;
            }
            ++counts[tile.type];
        }
        for (std::uint32_t count : counts) {
            EXPECT_GT(count, 0u) << "seed " << seed;
        }
    }
    EXPECT_GT(startTilesOverridden, 0);
}

TEST(PlanetTest, SupportedSizesAreOneToNine)
{
    EXPECT_FALSE(Planet::isSupportedSize(0));
    EXPECT_TRUE(Planet::isSupportedSize(1));
    EXPECT_TRUE(Planet::isSupportedSize(9));
    EXPECT_FALSE(Planet::isSupportedSize(10));
    EXPECT_FALSE(Planet::isSupportedSize(65535));
}
