#include "game/Planet.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "game/Face.h"

namespace BV {

namespace {

// Angles around a tile turn through this value of pi, close enough to the
// real one that the order of a tile's faces cannot tell.
constexpr double kPi = 3.1415927;

glm::vec3 centroidOf(const Face& face, const std::vector<Tile>& tiles)
{
    return (tiles[face.corners[0]].position + tiles[face.corners[1]].position + tiles[face.corners[2]].position) / 3.0f;
}

std::uint64_t edgeKey(std::uint32_t a, std::uint32_t b)
{
    const std::uint64_t smaller = std::min(a, b);
    const std::uint64_t larger = std::max(a, b);
    return (smaller << 32) | larger;
}

// Index (0 to 2) of the edge of `face` that joins tiles a and b.
int edgeOf(const Face& face, std::uint32_t a, std::uint32_t b)
{
    for (int edge = 0; edge < 3; ++edge) {
        const std::uint32_t s = face.corners[edge];
        const std::uint32_t t = face.corners[(edge + 1) % 3];
        if ((s == a && t == b) || (s == b && t == a)) {
            return edge;
        }
    }
    return -1;
}

// 1 / sqrt(x) to about 0.2 %: the bit trick with one Newton step. Tiles that
// are equally far away get exactly the same value, so ties stay ties.
float fastInverseSqrt(float x)
{
    std::uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    bits = 0x5F375A86u - (bits >> 1);
    float y;
    std::memcpy(&y, &bits, sizeof y);
    const float half = 0.5f * x;
    return y * (1.5f - half * y * y);
}

} // namespace

Planet::Planet(std::uint16_t level, float radius) : radius(radius)
{
    buildBaseSolid();
    for (std::uint16_t i = 0; i < level; ++i) {
        subdivide();
    }
    sortFacesAroundTiles();
    tilePositions.reserve(tiles.size());
    for (const Tile& tile : tiles) {
        tilePositions.push_back(tile.position);
    }
    drawTileTypes();
    visibilityValues.assign(tiles.size(), 0.2f);
    ownerValues.assign(tiles.size(), 0.0f);
}

// ---- Construction -----------------------------------------------------------

void Planet::addTile(const glm::vec3& position)
{
    Tile tile;
    tile.position = position;
    tile.normal = glm::normalize(position);
    tile.index = static_cast<std::uint32_t>(tiles.size());
    tile.faces.reserve(6);
    tiles.push_back(std::move(tile));
}

// An icosahedron whose corners lie 1.37638 radii from the centre; the first
// subdivision moves them onto the sphere.
void Planet::buildBaseSolid()
{
    const float a = 0.723606f * radius;
    const float b = 1.17082f * radius;
    const glm::vec3 corners[12] = {
        {a, 0, b},   {0, b, a},  {-a, 0, b}, {0, -b, a}, {a, 0, -b}, {0, -b, -a},
        {-a, 0, -b}, {0, b, -a}, {b, -a, 0}, {b, a, 0},  {-b, a, 0}, {-b, -a, 0},
    };
    for (const glm::vec3& corner : corners) {
        addTile(corner);
    }
    static const std::uint32_t triangles[20][3] = {
        {5, 11, 6},  {1, 2, 0},  {0, 2, 3},  {5, 6, 4}, {4, 6, 7},   {9, 1, 0}, {10, 2, 1},
        {2, 10, 11}, {11, 3, 2}, {8, 9, 0},  {0, 3, 8}, {11, 10, 6}, {4, 7, 9}, {9, 8, 4},
        {7, 6, 10},  {1, 9, 7},  {10, 1, 7}, {5, 4, 8}, {3, 11, 5},  {8, 3, 5},
    };
    faceStorage.reserve(20);
    faces.reserve(20);
    EdgeTable edges;
    for (const auto& triangle : triangles) {
        addFace(triangle[0], triangle[1], triangle[2], faceStorage, faces, edges);
    }
}

// Appends the triangle (p, q, r) to `target` and to its corners' face lists,
// and links it with the triangles of this step that share an edge with it.
void Planet::addFace(std::uint32_t p, std::uint32_t q, std::uint32_t r, std::vector<Face>& storage,
                     std::vector<Face*>& target, EdgeTable& edges)
{
    Face* face = &storage.emplace_back();
    face->corners[0] = p;
    face->corners[1] = q;
    face->corners[2] = r;
    face->faceIndex = static_cast<std::uint32_t>(target.size());
    target.push_back(face);
    tiles[p].faces.push_back(face);
    tiles[q].faces.push_back(face);
    tiles[r].faces.push_back(face);
    for (int edge = 0; edge < 3; ++edge) {
        const std::uint32_t s = face->corners[edge];
        const std::uint32_t t = face->corners[(edge + 1) % 3];
        const auto inserted = edges.emplace(edgeKey(s, t), face);
        if (!inserted.second) {
            Face* other = inserted.first->second;
            other->neighbours[edgeOf(*other, s, t)] = face;
            face->neighbours[edge] = other;
        }
    }
}

// sqrt(3)-subdivision: a new tile at the centre of every triangle, and every
// old edge replaced by the two triangles between its ends and the centres of
// the triangles on either side of it.
void Planet::subdivide()
{
    for (Tile& tile : tiles) {
        tile.faces.clear();
    }
    tiles.reserve(tiles.size() + faces.size());
    for (Face* face : faces) {
        face->key.tile = static_cast<std::uint32_t>(tiles.size());
        addTile(centroidOf(*face, tiles));
    }

    // Each old face has three edges, each edge two faces, and each edge
    // makes two new faces: three new faces per old one.
    std::vector<Face> freshStorage;
    freshStorage.reserve(faces.size() * 3);
    std::vector<Face*> fresh;
    fresh.reserve(faces.size() * 3);
    EdgeTable edges;
    edges.reserve(faces.size() * 9 / 2);
    for (Face* face : faces) {
        for (int edge = 0; edge < 3; ++edge) {
            const Face* across = face->neighbours[edge];
            // Every edge of the closed mesh has exactly two triangles, and the
            // edge is split while walking the first of them in face order.
            if (across->faceIndex < face->faceIndex) {
                continue;
            }
            const std::uint32_t s = face->corners[edge];
            const std::uint32_t t = face->corners[(edge + 1) % 3];
            addFace(s, across->key.tile, face->key.tile, freshStorage, fresh, edges);
            addFace(face->key.tile, across->key.tile, t, freshStorage, fresh, edges);
        }
    }
    faceStorage.swap(freshStorage);
    faces.swap(fresh);
    ++subdivisionLevel;

    // Normals already point the right way; only the distance changes.
    for (Tile& tile : tiles) {
        tile.position = glm::normalize(tile.position) * radius;
    }
}

// Orders each tile's faces counter-clockwise seen from outside, starting with
// the face that was last in its list.
void Planet::sortFacesAroundTiles()
{
    std::vector<glm::vec3> centres(faces.size());
    for (const Face* face : faces) {
        centres[face->faceIndex] = centroidOf(*face, tiles);
    }
    for (Tile& tile : tiles) {
        if (tile.faces.empty()) {
            continue;
        }
        const glm::vec3 reference = glm::normalize(centres[tile.faces.back()->faceIndex] - tile.position);
        for (Face* face : tile.faces) {
            const glm::vec3& centre = centres[face->faceIndex];
            const glm::vec3 direction = glm::normalize(centre - tile.position);
            // Rounding can take the cosine of the reference face with itself
            // past 1, where acos gives NaN and the sort would have no order.
            const double cosine = std::clamp(static_cast<double>(glm::dot(direction, reference)), -1.0, 1.0);
            double angle = std::acos(cosine);
            if (glm::dot(glm::cross(reference, direction), glm::normalize(centre)) < 0.0f) {
                angle = (kPi - angle) + kPi;
            }
            face->key.angle = static_cast<float>(angle);
        }
        std::sort(tile.faces.begin(), tile.faces.end(),
                  [](const Face* x, const Face* y) { return x->key.angle < y->key.angle; });
    }
}

// Terrain shares: 9 % type 0, 10 % type 3, 20 % each types 1, 4 and 2, and
// 21 % keep type 1. The two start tiles always take a tower.
void Planet::drawTileTypes()
{
    for (Tile& tile : tiles) {
        const int r = std::rand() % 100 + 1;
        if (r <= 9) {
            tile.type = 0;
        } else if (r <= 19) {
            tile.type = 3;
        } else if (r <= 39) {
            tile.type = 1;
        } else if (r <= 59) {
            tile.type = 4;
        } else if (r <= 79) {
            tile.type = 2;
        }
    }
    tiles[getTileIndexAt(glm::vec3(0.0f, 0.0f, 200.0f))].type = 1;
    tiles[getTileIndexAt(glm::vec3(0.0f, 0.0f, -200.0f))].type = 1;
}

// ---- Queries and per-tile values ---------------------------------------------

std::uint32_t Planet::getTileIndexAt(const glm::vec3& point) const
{
    float bestDistance = std::numeric_limits<float>::max();
    std::uint32_t best = 0;
    const std::size_t count = tilePositions.size();
    for (std::size_t i = 0; i < count; ++i) {
        const glm::vec3 offset = tilePositions[i] - point;
        const float distance = 1.0f / fastInverseSqrt(glm::dot(offset, offset));
        if (distance < bestDistance) {
            bestDistance = distance;
            best = static_cast<std::uint32_t>(i);
        }
    }
    return best;
}

void Planet::selectHovered()
{
    selectedTile = hoveredTile;
    // A selected tile gets its outline rebuilt by the drawing.
}

void Planet::setVisibility(std::uint32_t tile, float value)
{
    visibilityValues[tile] = value;
}

void Planet::setOwnerValue(std::uint32_t tile, float value)
{
    ownerValues[tile] = value;
}

} // namespace BV
