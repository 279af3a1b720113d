#include "game/PlanetPatches.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "app/BoundingBox.h"
#include "scene/Camera.h"

namespace BV {

namespace {

// The cell of a cube round the planet that a direction points through: the
// cube's side (0 to 5), then a grid of cells x cells on that side, rows
// walked back and forth so that neighbouring cells follow each other.
std::uint32_t cubeCell(const glm::vec3& direction, std::uint32_t cells)
{
    const glm::vec3 magnitude = glm::abs(direction);
    int axis = 0;
    if (magnitude.y > magnitude[axis]) {
        axis = 1;
    }
    if (magnitude.z > magnitude[axis]) {
        axis = 2;
    }
    const float major = std::max(magnitude[axis], 1e-20f);
    const std::uint32_t side = static_cast<std::uint32_t>(axis) * 2 + (direction[axis] < 0.0f ? 1 : 0);
    const float u = direction[(axis + 1) % 3] / major;
    const float v = direction[(axis + 2) % 3] / major;
    const auto cellOf = [cells](float t) {
        const auto cell = static_cast<std::int64_t>(std::floor((t + 1.0f) * 0.5f * static_cast<float>(cells)));
        return static_cast<std::uint32_t>(std::clamp<std::int64_t>(cell, 0, cells - 1));
    };
    const std::uint32_t row = cellOf(v);
    std::uint32_t column = cellOf(u);
    if (row % 2 == 1) {
        column = cells - 1 - column;
    }
    return (side * cells + row) * cells + column;
}

} // namespace

void PlanetPatches::build(const std::vector<Tile>& tiles, const std::vector<Face*>& faces)
{
    patches.clear();
    indices.clear();
    const auto faceCount = static_cast<std::uint32_t>(faces.size());
    const auto cells = static_cast<std::uint32_t>(
        std::max(1.0, std::round(std::sqrt(static_cast<double>(faceCount) / (6.0 * kFacesPerPatch)))));
    const std::uint32_t cellCount = 6 * cells * cells;

    // Faces sorted by cell, keeping their order within a cell.
    std::vector<std::uint32_t> cellOfFace(faceCount);
    std::vector<std::uint32_t> cellStart(cellCount + 1, 0);
    std::vector<glm::vec3> normals(faceCount);
    std::vector<glm::vec3> centroids(faceCount);
    for (std::uint32_t f = 0; f < faceCount; ++f) {
        const glm::vec3& a = tiles[faces[f]->corners[0]].position;
        const glm::vec3& b = tiles[faces[f]->corners[1]].position;
        const glm::vec3& c = tiles[faces[f]->corners[2]].position;
        centroids[f] = (a + b + c) / 3.0f;
        glm::vec3 normal = glm::cross(b - a, c - a);
        const float length = glm::length(normal);
        normal = length > 0.0f ? normal / length : glm::normalize(centroids[f]);
        normals[f] = glm::dot(normal, centroids[f]) < 0.0f ? -normal : normal;
        cellOfFace[f] = cubeCell(centroids[f], cells);
        ++cellStart[cellOfFace[f] + 1];
    }
    for (std::uint32_t cell = 0; cell < cellCount; ++cell) {
        cellStart[cell + 1] += cellStart[cell];
    }
    std::vector<std::uint32_t> order(faceCount);
    std::vector<std::uint32_t> next(cellStart.begin(), cellStart.end() - 1);
    for (std::uint32_t f = 0; f < faceCount; ++f) {
        order[next[cellOfFace[f]]++] = f;
    }

    indices.reserve(static_cast<std::size_t>(faceCount) * 3);
    for (std::uint32_t cell = 0; cell < cellCount; ++cell) {
        if (cellStart[cell] == cellStart[cell + 1]) {
            continue;
        }
        Patch patch;
        patch.first = static_cast<std::uint32_t>(indices.size());
        patch.low = glm::vec3(INFINITY);
        patch.high = glm::vec3(-INFINITY);
        glm::vec3 axis(0.0f);
        for (std::uint32_t i = cellStart[cell]; i < cellStart[cell + 1]; ++i) {
            const std::uint32_t f = order[i];
            for (std::uint32_t corner = 0; corner < 3; ++corner) {
                indices.push_back(3 * f + corner);
                const glm::vec3& p = tiles[faces[f]->corners[corner]].position;
                patch.low = glm::min(patch.low, p);
                patch.high = glm::max(patch.high, p);
            }
            axis += normals[f];
        }
        patch.count = static_cast<std::uint32_t>(indices.size()) - patch.first;
        patch.centre = 0.5f * (patch.low + patch.high);
        patch.axis = glm::length(axis) > 0.0f ? glm::normalize(axis) : glm::vec3(0.0f, 0.0f, 1.0f);
        patch.nearestPlane = INFINITY;
        float cosSpread = 1.0f;
        for (std::uint32_t i = cellStart[cell]; i < cellStart[cell + 1]; ++i) {
            const std::uint32_t f = order[i];
            for (std::uint32_t corner = 0; corner < 3; ++corner) {
                const glm::vec3& p = tiles[faces[f]->corners[corner]].position;
                patch.radius = std::max(patch.radius, glm::length(p - patch.centre));
            }
            cosSpread = std::min(cosSpread, glm::dot(normals[f], patch.axis));
            patch.nearestPlane =
                std::min(patch.nearestPlane, glm::dot(normals[f], tiles[faces[f]->corners[0]].position));
        }
        // A little wider than measured, so that rounding never culls a face
        // that turns towards the viewer.
        patch.cosSpread = std::clamp(cosSpread - 1e-4f, -1.0f, 1.0f);
        patch.sinSpread = std::sqrt(1.0f - patch.cosSpread * patch.cosSpread);
        patch.radius += 1e-3f;
        patches.push_back(patch);
    }
    runFirsts.reserve(patches.size());
    runCounts.reserve(patches.size());
}

float PlanetPatches::mostFacing(const Patch& patch, const glm::vec3& direction)
{
    const float cosAngle = glm::dot(patch.axis, direction);
    if (cosAngle >= patch.cosSpread) {
        return 1.0f; // the direction lies inside the cone
    }
    // cos(angle - spread), the nearest the cone's rim comes to the direction.
    const float sinAngle = std::sqrt(std::max(0.0f, 1.0f - cosAngle * cosAngle));
    return cosAngle * patch.cosSpread + sinAngle * patch.sinSpread;
}

void PlanetPatches::clearRuns()
{
    runFirsts.clear();
    runCounts.clear();
}

// Patches stored next to each other join one run.
void PlanetPatches::addRun(const Patch& patch)
{
    const auto first = static_cast<int>(patch.first);
    if (!runCounts.empty() && runFirsts.back() + runCounts.back() == first) {
        runCounts.back() += static_cast<int>(patch.count);
        return;
    }
    runFirsts.push_back(first);
    runCounts.push_back(static_cast<int>(patch.count));
}

std::uint32_t PlanetPatches::selectAll()
{
    clearRuns();
    for (const Patch& patch : patches) {
        addRun(patch);
    }
    return static_cast<std::uint32_t>(indices.size() / 3);
}

std::uint32_t PlanetPatches::selectForCamera(const glm::vec3& eye, const glm::mat4& clip, bool backFaces)
{
    clearRuns();
    std::uint32_t selected = 0;
    const float distance = glm::length(eye);
    const glm::vec3 towardEye = distance > 0.0f ? eye / distance : glm::vec3(0.0f);
    for (const Patch& patch : patches) {
        // A face shows its front to the eye when the eye lies beyond its
        // plane: normal . eye > the plane's distance from the centre. The
        // cone bounds the first side from above, the nearest plane the
        // second from below.
        if (!backFaces && distance * mostFacing(patch, towardEye) < patch.nearestPlane - 1e-3f) {
            continue;
        }
        if (!Camera::isInFrustum(clip, BoundingBox(patch.low, patch.high))) {
            continue;
        }
        addRun(patch);
        selected += patch.count / 3;
    }
    return selected;
}

std::uint32_t PlanetPatches::selectForSun(const glm::vec3& towardSun, const glm::mat4& toTexels, const glm::vec2& low,
                                          const glm::vec2& high)
{
    clearRuns();
    std::uint32_t selected = 0;
    // Texels per model unit across the sun's view (an orthographic view
    // scales both ways alike; the larger row is taken to be safe).
    const float scale = std::max(glm::length(glm::vec3(toTexels[0][0], toTexels[1][0], toTexels[2][0])),
                                 glm::length(glm::vec3(toTexels[0][1], toTexels[1][1], toTexels[2][1])));
    for (const Patch& patch : patches) {
        // Only faces turned towards the sun are nearest to it anywhere.
        if (mostFacing(patch, towardSun) < -1e-3f) {
            continue;
        }
        const glm::vec4 at = toTexels * glm::vec4(patch.centre, 1.0f);
        const glm::vec2 centre = glm::vec2(at) / at.w;
        const float reach = patch.radius * scale + 1.0f;
        if (centre.x + reach < low.x || centre.x - reach > high.x || centre.y + reach < low.y ||
            centre.y - reach > high.y) {
            continue;
        }
        addRun(patch);
        selected += patch.count / 3;
    }
    return selected;
}

} // namespace BV
