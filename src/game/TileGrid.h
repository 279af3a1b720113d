#pragma once

#include <cstdint>
#include <vector>

#include <glm/glm.hpp>

namespace BV {

// Finds the tile nearest to a point without walking the whole planet, and
// finds exactly the tile the walk would: the one with the smallest search
// distance (searchDistance, an approximation), the lowest index among equal
// ones.
//
// The tiles' directions from the planet's centre are sorted into the cells
// of a cube-map grid: each of the six faces of a cube around the planet is
// cut into side x side cells, and a tile falls into the cell its direction
// passes through. A search measures the true distance to some tile near the
// point, widens it by the most the approximation can be off, and compares
// the search distances of every tile in the cells that could hold a tile
// within that range. Whatever lies outside is too far to win even with the
// approximation's error, so the answer, ties included, is the walk's.
//
// Points the grid cannot narrow down (the planet's centre, points not
// finite, points so far out that a large part of the planet is about
// equally near) are left to the caller's walk.
class TileGrid {
public:
    // The most searchDistance can be off, relative to the true distance, for
    // any squared distance that is a normal float: the fast inverse square
    // root's 0.18 % plus the rounding of the offset and the dot product,
    // with room to spare.
    static constexpr double kRelativeError = 0.0025;
    // What it can be off by when the squared distance is 0 or denormal, world
    // units: the true distance is then below 1.1e-19 and the approximation
    // between 0 and 1.1e-19.
    static constexpr double kAbsoluteError = 1e-18;

    // sqrt(squared) by the fast inverse square root: the bits of the float
    // taken as an integer i, the float with the bits 0x5F375A86 - (i >> 1)
    // refined by one Newton step, then inverted. Equally far tiles get
    // exactly the same value, so ties stay ties.
    static float approximateDistance(float squared);
    // The distance the nearest-tile search compares.
    static float searchDistance(const glm::vec3& tile, const glm::vec3& point);
    // The walk over every tile in index order: the first tile with the
    // smallest search distance; 0 when there are no tiles.
    static std::uint32_t findNearestLinear(const std::vector<glm::vec3>& positions, const glm::vec3& point);

    // Sorts the tiles into the grid. An empty list, or a tile at the centre
    // or not finite, leaves the grid empty, and every search to the walk.
    void build(const std::vector<glm::vec3>& positions);
    bool isBuilt() const { return !cellTiles.empty(); }
    // Cells along one edge of a cube face.
    int getSide() const { return side; }

    // Sets `nearest` to the walk's answer and returns true, or returns false
    // for a point the grid cannot narrow down.
    bool findNearest(const glm::vec3& point, std::uint32_t& nearest) const;

private:
    // A cell's range in cellTiles and cellPositions.
    struct Span {
        std::uint32_t first;
        std::uint32_t end;
    };

    int cellOf(const glm::dvec3& direction) const;
    int cellCoordinate(double s) const;
    Span cell(int index) const { return {cellStart[index], cellStart[index + 1]}; }
    // True distance (world units) to the nearest tile of the first nonempty
    // ring of cells around the point's own cell, on the point's cube face.
    bool seedDistance(const glm::dvec3& point, const glm::dvec3& direction, double& distance) const;
    void scanCells(int face, int i0, int i1, int j0, int j1, const glm::vec3& point, float& bestDistance,
                   std::uint32_t& best) const;

    int side = 0;
    // Cell c holds the entries cellStart[c] to cellStart[c + 1] - 1; cells
    // are numbered face by face, row by row.
    std::vector<std::uint32_t> cellStart;
    // Tile indices and their positions, copied exactly, in cell order.
    std::vector<std::uint32_t> cellTiles;
    std::vector<glm::vec3> cellPositions;
    // The nearest and farthest tile from the planet's centre, world units.
    double minRadius = 0.0;
    double maxRadius = 0.0;
};

} // namespace BV
