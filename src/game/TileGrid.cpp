#include "game/TileGrid.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace BV {

namespace {

constexpr int kFaces = 6;
// Tiles per cell on average; a cell near a face's centre holds about twice
// as many, one near a corner about a third.
constexpr double kTilesPerCell = 3.0;
// A tile lies on the face of its largest direction component, which is at
// least 1 / sqrt(3) of a unit direction; a little less covers rounding.
constexpr double kFaceFloor = 0.577;
// Widening of computed ranges for the rounding of the double arithmetic
// that computes them (unit directions and cube-face coordinates).
constexpr double kRounding = 1e-9;
// Beyond this chord between unit directions the candidates are a large part
// of the planet and the walk is as quick.
constexpr double kWidestChord = 1.0;

// The cube face (0 +x, 1 -x, 2 +y, 3 -y, 4 +z, 5 -z) a direction passes
// through, and its coordinates s and t on that face, each -1 to 1.
struct FacePoint {
    int face;
    double s;
    double t;
};

FacePoint project(const glm::dvec3& u)
{
    const glm::dvec3 a = glm::abs(u);
    const int axis = a.x >= a.y && a.x >= a.z ? 0 : a.y >= a.z ? 1 : 2;
    const double major = a[axis];
    return {2 * axis + (u[axis] < 0.0 ? 1 : 0), u[(axis + 1) % 3] / major, u[(axis + 2) % 3] / major};
}

// The range of b / w over b in [b0, b1] and w in [w0, w1], w0 > 0.
void quotientRange(double b0, double b1, double w0, double w1, double& low, double& high)
{
    low = b0 >= 0.0 ? b0 / w1 : b0 / w0;
    high = b1 >= 0.0 ? b1 / w0 : b1 / w1;
}

} // namespace

// ---- Distance arithmetic -------------------------------------------------------

float TileGrid::approximateDistance(float squared)
{
    std::uint32_t bits;
    std::memcpy(&bits, &squared, sizeof bits);
    bits = 0x5F375A86u - (bits >> 1);
    float y;
    std::memcpy(&y, &bits, sizeof y);
    const float half = 0.5f * squared;
    y = y * (1.5f - half * y * y);
    return 1.0f / y;
}

// The squared length is summed as glm::dot sums it, ((x x + y y) + z z),
// written out so that an unoptimised build does not crawl through the
// grid's inner loops.
float TileGrid::searchDistance(const glm::vec3& tile, const glm::vec3& point)
{
    const float x = tile.x - point.x;
    const float y = tile.y - point.y;
    const float z = tile.z - point.z;
    return approximateDistance(x * x + y * y + z * z);
}

std::uint32_t TileGrid::findNearestLinear(const std::vector<glm::vec3>& positions, const glm::vec3& point)
{
    float bestDistance = std::numeric_limits<float>::max();
    std::uint32_t best = 0;
    const std::size_t count = positions.size();
    for (std::size_t i = 0; i < count; ++i) {
        const float distance = searchDistance(positions[i], point);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = static_cast<std::uint32_t>(i);
        }
    }
    return best;
}

// ---- Building ------------------------------------------------------------------

void TileGrid::build(const std::vector<glm::vec3>& positions)
{
    side = 0;
    cellStart.clear();
    cellTiles.clear();
    cellPositions.clear();
    minRadius = std::numeric_limits<double>::max();
    maxRadius = 0.0;
    for (const glm::vec3& position : positions) {
        const double radius = glm::length(glm::dvec3(position));
        if (!(radius > 0.0) || !std::isfinite(radius)) {
            return;
        }
        minRadius = std::min(minRadius, radius);
        maxRadius = std::max(maxRadius, radius);
    }
    if (positions.empty()) {
        return;
    }
    side = std::max(1, static_cast<int>(std::lround(std::sqrt(positions.size() / (kFaces * kTilesPerCell)))));
    const std::size_t cellCount = static_cast<std::size_t>(kFaces) * side * side;

    // A counting sort by cell, keeping index order within each cell.
    std::vector<int> cells(positions.size());
    cellStart.assign(cellCount + 1, 0);
    for (std::size_t i = 0; i < positions.size(); ++i) {
        cells[i] = cellOf(glm::normalize(glm::dvec3(positions[i])));
        ++cellStart[static_cast<std::size_t>(cells[i]) + 1];
    }
    for (std::size_t c = 0; c < cellCount; ++c) {
        cellStart[c + 1] += cellStart[c];
    }
    std::vector<std::uint32_t> next(cellStart.begin(), cellStart.end() - 1);
    cellTiles.resize(positions.size());
    cellPositions.resize(positions.size());
    for (std::size_t i = 0; i < positions.size(); ++i) {
        const std::uint32_t slot = next[static_cast<std::size_t>(cells[i])]++;
        cellTiles[slot] = static_cast<std::uint32_t>(i);
        cellPositions[slot] = positions[i];
    }
}

int TileGrid::cellCoordinate(double s) const
{
    const double cell = std::floor((s + 1.0) * 0.5 * side);
    return static_cast<int>(std::clamp(cell, 0.0, static_cast<double>(side - 1)));
}

int TileGrid::cellOf(const glm::dvec3& direction) const
{
    const FacePoint p = project(direction);
    return (p.face * side + cellCoordinate(p.t)) * side + cellCoordinate(p.s);
}

// ---- Search --------------------------------------------------------------------

// Every tile within `bound` of the point has a direction within the chord
// computed below of the point's direction: with q and r the point's and the
// tile's distances from the centre and c the chord between their directions,
// distance^2 = (q - r)^2 + q r c^2. The winner of the walk is within `bound`
// because its search distance is at most the seed tile's.
bool TileGrid::findNearest(const glm::vec3& point, std::uint32_t& nearest) const
{
    if (!isBuilt()) {
        return false;
    }
    const glm::dvec3 p(point);
    const double q = glm::length(p);
    if (!(q > 0.0) || !std::isfinite(q)) {
        return false;
    }
    const glm::dvec3 direction = p / q;
    double seed = 0.0;
    if (!seedDistance(p, direction, seed)) {
        return false;
    }
    const double bound =
        (seed * (1.0 + 1e-12) * (1.0 + kRelativeError) + 2.0 * kAbsoluteError) / (1.0 - kRelativeError);
    const double gap = q < minRadius ? minRadius - q : q > maxRadius ? q - maxRadius : 0.0;
    const double scale = q * minRadius;
    const double chordSquared = (bound * bound - gap * gap) / scale + 1e-12 * (bound * bound / scale);
    const double chord = std::sqrt(std::max(chordSquared, 0.0)) + kRounding;
    if (chord > kWidestChord) {
        return false;
    }

    float bestDistance = std::numeric_limits<float>::max();
    std::uint32_t best = std::numeric_limits<std::uint32_t>::max();
    const glm::dvec3 low = direction - chord;
    const glm::dvec3 high = direction + chord;
    for (int face = 0; face < kFaces; ++face) {
        const int axis = face / 2;
        const bool negative = face % 2 == 1;
        // The range of the face's major component over the box, on this face.
        const double w1 = negative ? -low[axis] : high[axis];
        if (w1 < kFaceFloor) {
            continue;
        }
        const double w0 = std::max(negative ? -high[axis] : low[axis], kFaceFloor);
        const int b = (axis + 1) % 3;
        const int c = (axis + 2) % 3;
        double s0, s1, t0, t1;
        quotientRange(low[b], high[b], w0, w1, s0, s1);
        quotientRange(low[c], high[c], w0, w1, t0, t1);
        scanCells(face, cellCoordinate(s0 - kRounding), cellCoordinate(s1 + kRounding), cellCoordinate(t0 - kRounding),
                  cellCoordinate(t1 + kRounding), point, bestDistance, best);
    }
    if (best == std::numeric_limits<std::uint32_t>::max()) {
        return false; // cannot happen: the seed tile is among the candidates
    }
    nearest = best;
    return true;
}

bool TileGrid::seedDistance(const glm::dvec3& point, const glm::dvec3& direction, double& distance) const
{
    const FacePoint p = project(direction);
    const int i = cellCoordinate(p.s);
    const int j = cellCoordinate(p.t);
    distance = std::numeric_limits<double>::max();
    for (int ring = 0; ring < side; ++ring) {
        for (int cj = std::max(j - ring, 0); cj <= std::min(j + ring, side - 1); ++cj) {
            const bool edgeRow = cj == j - ring || cj == j + ring;
            for (int ci = std::max(i - ring, 0); ci <= std::min(i + ring, side - 1); ++ci) {
                if (!edgeRow && ci != i - ring && ci != i + ring) {
                    continue; // inside the ring: looked at already
                }
                const Span span = cell((p.face * side + cj) * side + ci);
                for (std::uint32_t k = span.first; k < span.end; ++k) {
                    const double x = cellPositions[k].x - point.x;
                    const double y = cellPositions[k].y - point.y;
                    const double z = cellPositions[k].z - point.z;
                    distance = std::min(distance, x * x + y * y + z * z);
                }
            }
        }
        if (distance < std::numeric_limits<double>::max()) {
            distance = std::sqrt(distance);
            return true;
        }
    }
    return false; // a face without tiles
}

// Cells i0 to i1 across and j0 to j1 up on one face. Of equal search
// distances the lowest index wins, as in the walk.
void TileGrid::scanCells(int face, int i0, int i1, int j0, int j1, const glm::vec3& point, float& bestDistance,
                         std::uint32_t& best) const
{
    for (int j = j0; j <= j1; ++j) {
        const int row = (face * side + j) * side;
        const Span span{cellStart[static_cast<std::size_t>(row + i0)],
                        cellStart[static_cast<std::size_t>(row + i1 + 1)]};
        for (std::uint32_t k = span.first; k < span.end; ++k) {
            const float distance = searchDistance(cellPositions[k], point);
            if (distance < bestDistance || (distance == bestDistance && cellTiles[k] < best)) {
                bestDistance = distance;
                best = cellTiles[k];
            }
        }
    }
}

} // namespace BV
