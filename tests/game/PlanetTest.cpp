#include <gtest/gtest.h>

#include <algorithm>
#include <array>
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

std::vector<std::uint32_t> faceIndices(const Tile& tile)
{
    std::vector<std::uint32_t> result;
    for (const Face* face : tile.faces) {
        result.push_back(face->faceIndex);
    }
    return result;
}

// The construction written the plain way: neighbours looked up by directed
// edge, and each subdivision's handled edges searched from the start.
struct ReferencePlanet {
    using Edge = std::pair<std::uint32_t, std::uint32_t>;
    std::vector<glm::vec3> positions, normals;
    std::vector<std::array<std::uint32_t, 3>> faces;
    std::vector<std::array<int, 3>> neighbours;
    std::vector<std::vector<int>> tileFaces;

    ReferencePlanet(int level, float radius)
    {
        const float a = 0.723606f * radius;
        const float b = 1.17082f * radius;
        // The twelve base corners, as multiples of a and b.
        const int k[12][3] = {{1, 0, 2},   {0, 2, 1},  {-1, 0, 2}, {0, -2, 1}, {1, 0, -2}, {0, -2, -1},
                              {-1, 0, -2}, {0, 2, -1}, {2, -1, 0}, {2, 1, 0},  {-2, 1, 0}, {-2, -1, 0}};
        auto scaled = [&](int m) { return m == 0 ? 0.0f : (std::abs(m) == 1 ? a : b) * (m < 0 ? -1.0f : 1.0f); };
        for (const auto& m : k) {
            addTile({scaled(m[0]), scaled(m[1]), scaled(m[2])});
        }
        faces = {{5, 11, 6},  {1, 2, 0},  {0, 2, 3},  {5, 6, 4}, {4, 6, 7},   {9, 1, 0}, {10, 2, 1},
                 {2, 10, 11}, {11, 3, 2}, {8, 9, 0},  {0, 3, 8}, {11, 10, 6}, {4, 7, 9}, {9, 8, 4},
                 {7, 6, 10},  {1, 9, 7},  {10, 1, 7}, {5, 4, 8}, {3, 11, 5},  {8, 3, 5}};
        link();
        for (int i = 0; i < level; ++i) {
            subdivide(radius);
        }
        // Each tile's faces in the order they were made, then by angle from
        // the last one, counter-clockwise.
        tileFaces.assign(positions.size(), {});
        for (std::size_t f = 0; f < faces.size(); ++f) {
            for (std::uint32_t corner : faces[f]) {
                tileFaces[corner].push_back(static_cast<int>(f));
            }
        }
        std::vector<float> keys(faces.size());
        for (std::size_t i = 0; i < positions.size(); ++i) {
            std::vector<int>& list = tileFaces[i];
            const glm::vec3 r = glm::normalize(centroid(list.back()) - positions[i]);
            for (int f : list) {
                const glm::vec3 u = glm::normalize(centroid(f) - positions[i]);
                double angle = std::acos(std::clamp(static_cast<double>(glm::dot(u, r)), -1.0, 1.0));
                if (glm::dot(glm::cross(r, u), glm::normalize(centroid(f))) < 0.0f) {
                    angle = (3.1415927 - angle) + 3.1415927;
                }
                keys[f] = static_cast<float>(angle);
            }
            std::sort(list.begin(), list.end(), [&](int x, int y) { return keys[x] < keys[y]; });
        }
    }

    static Edge edge(std::uint32_t s, std::uint32_t t) { return {std::min(s, t), std::max(s, t)}; }
    glm::vec3 centroid(int f) const
    {
        return (positions[faces[f][0]] + positions[faces[f][1]] + positions[faces[f][2]]) / 3.0f;
    }

    void addTile(const glm::vec3& p)
    {
        positions.push_back(p);
        normals.push_back(glm::normalize(p));
    }

    // The face across edge e (corner e to corner e + 1) runs that edge backwards.
    void link()
    {
        std::map<Edge, int> byEdge;
        for (std::size_t f = 0; f < faces.size(); ++f) {
            for (int e = 0; e < 3; ++e) {
                byEdge[{faces[f][e], faces[f][(e + 1) % 3]}] = static_cast<int>(f);
            }
        }
        neighbours.assign(faces.size(), {});
        for (std::size_t f = 0; f < faces.size(); ++f) {
            for (int e = 0; e < 3; ++e) {
                neighbours[f][e] = byEdge.at({faces[f][(e + 1) % 3], faces[f][e]});
            }
        }
    }

    void subdivide(float radius)
    {
        std::vector<std::uint32_t> centres;
        for (std::size_t f = 0; f < faces.size(); ++f) {
            centres.push_back(static_cast<std::uint32_t>(positions.size()));
            addTile(centroid(static_cast<int>(f)));
        }
        std::vector<std::array<std::uint32_t, 3>> fresh;
        std::vector<Edge> handled;
        for (std::size_t f = 0; f < faces.size(); ++f) {
            for (int e = 0; e < 3; ++e) {
                const std::uint32_t s = faces[f][e], t = faces[f][(e + 1) % 3], g = centres[neighbours[f][e]];
                if (std::find(handled.begin(), handled.end(), edge(s, t)) == handled.end()) {
                    fresh.push_back({s, g, centres[f]});
                    fresh.push_back({centres[f], g, t});
                    handled.push_back(edge(s, t));
                }
            }
        }
        faces = fresh;
        link();
        for (glm::vec3& p : positions) {
            p = glm::normalize(p) * radius;
        }
    }
};

} // namespace

// Counts, the sphere, five neighbours for the twelve base tiles and six for
// every other, never one twice.
TEST(PlanetTest, CountsAndNeighbourCountsFollowTheSubdivisionLevel)
{
    std::vector<std::uint32_t> neighbours;
    for (int level = 0; level <= 5; ++level) {
        srand(1);
        Planet planet(static_cast<std::uint16_t>(level), kRadius);
        const auto power = static_cast<std::uint32_t>(std::pow(3, level));
        EXPECT_EQ(planet.tiles.size(), 2 + 10 * power) << "level " << level;
        EXPECT_EQ(planet.faces.size(), 20 * power) << "level " << level;
        EXPECT_EQ(planet.visibilityValues, std::vector<float>(planet.tiles.size(), 0.2f));
        EXPECT_EQ(planet.ownerValues, std::vector<float>(planet.tiles.size(), 0.0f));
        // The base solid stays off the sphere until the first subdivision.
        const float expectedDistance = level == 0 ? 1.37638f * kRadius : kRadius;
        for (const Tile& tile : planet.tiles) {
            ASSERT_NEAR(glm::length(tile.position), expectedDistance, 0.01f) << "tile " << tile.index;
            ASSERT_NEAR(glm::length(tile.normal), 1.0f, 1e-5f);
            ASSERT_GT(glm::dot(tile.normal, tile.position), 0.0f);
            tile.getNeighbours(neighbours);
            const std::size_t expected = tile.index < 12 ? 5 : 6;
            ASSERT_EQ(neighbours.size(), expected) << "level " << level << " tile " << tile.index;
            ASSERT_EQ(tile.faces.size(), expected);
            std::sort(neighbours.begin(), neighbours.end());
            ASSERT_EQ(std::unique(neighbours.begin(), neighbours.end()), neighbours.end());
        }
    }
}

// Every triangle is wound counter-clockwise seen from outside, and each
// tile's faces follow one another counter-clockwise, once round.
TEST(PlanetTest, FacesRunCounterClockwiseSeenFromOutside)
{
    for (std::uint16_t level : {0, 1, 3}) {
        srand(1);
        Planet planet(level, kRadius);
        auto corner = [&](const Face* face, int c) { return planet.tiles[face->corners[c]].position; };
        for (const Face* face : planet.faces) {
            const glm::vec3 p0 = corner(face, 0);
            ASSERT_GT(glm::dot(glm::cross(corner(face, 1) - p0, corner(face, 2) - p0), p0), 0.0f);
        }
        for (const Tile& tile : planet.tiles) {
            const std::size_t n = tile.faces.size();
            float turned = 0.0f;
            for (std::size_t i = 0; i < n; ++i) {
                // Seen from outside: the parts in the plane of the tile.
                glm::vec3 ab[2];
                for (std::size_t k = 0; k < 2; ++k) {
                    const Face* face = tile.faces[(i + k) % n];
                    ab[k] = (corner(face, 0) + corner(face, 1) + corner(face, 2)) / 3.0f - tile.position;
                    ab[k] -= tile.normal * glm::dot(ab[k], tile.normal);
                }
                ASSERT_GT(glm::dot(glm::cross(ab[0], ab[1]), tile.normal), 0.0f) << "tile " << tile.index;
                turned += std::acos(std::min(1.0f, glm::dot(glm::normalize(ab[0]), glm::normalize(ab[1]))));
            }
            EXPECT_NEAR(turned, 2.0f * 3.14159265f, 1e-3f) << "tile " << tile.index;
        }
    }
}

// Worked out by hand from the base triangles: the list starts with the face
// that was added last around the tile and turns counter-clockwise. Equally
// near tiles give the lowest index.
TEST(PlanetTest, KnownSmallPlanetsNeighboursAndTies)
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
    EXPECT_EQ(std::vector<std::uint32_t>(once.faces[0]->corners, once.faces[0]->corners + 3),
              (std::vector<std::uint32_t>{5, 30, 12}));
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
            ASSERT_EQ(faceIndices(tile), std::vector<std::uint32_t>(expected.begin(), expected.end()));
        }
        for (std::size_t f = 0; f < planet.faces.size(); ++f) {
            const Face& face = *planet.faces[f];
            ASSERT_EQ(face.faceIndex, f);
            for (int k = 0; k < 3; ++k) {
                ASSERT_EQ(face.corners[k], reference.faces[f][k]) << "level " << level << " face " << f;
                ASSERT_EQ(static_cast<int>(face.neighbours[k]->faceIndex), reference.neighbours[f][k]);
            }
        }
    }
}

// The search trades exactness for speed: its tile is at most a fraction of a
// percent farther than the nearest.
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
    // The type for each draw of 1 to 100, by upper bound.
    const std::pair<int, std::uint32_t> bands[6] = {{9, 0}, {19, 3}, {39, 1}, {59, 4}, {79, 2}, {100, 1}};
    int startTilesOverridden = 0;
    for (unsigned seed = 1; seed <= 20; ++seed) {
        srand(seed);
        Planet planet(2, kRadius);
        srand(seed);
        const std::uint32_t north = planet.getTileIndexAt({0.0f, 0.0f, 200.0f});
        const std::uint32_t south = planet.getTileIndexAt({0.0f, 0.0f, -200.0f});
        ASSERT_NE(north, south);
        for (const Tile& tile : planet.tiles) {
            const int r = rand() % 100 + 1;
            const std::uint32_t drawn = std::find_if(bands, bands + 6, [r](auto& b) { return r <= b.first; })->second;
            if (tile.index == north || tile.index == south) {
                EXPECT_EQ(tile.type, 1u);
                startTilesOverridden += drawn != 1 ? 1 : 0;
            } else {
                ASSERT_EQ(tile.type, drawn) << "seed " << seed << " tile " << tile.index;
            }
        }
    }
    EXPECT_GT(startTilesOverridden, 0);
}
