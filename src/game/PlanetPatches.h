#pragma once

#include <cstdint>
#include <vector>

#include <glm/glm.hpp>

#include "game/Face.h"
#include "game/Tile.h"

namespace BV {

// The planet's mesh in pieces: neighbouring faces grouped into patches, each
// with its bounds, so that a frame draws only the patches that can show.
// The planet is convex, so a patch whose faces all turn away from the eye
// (or from the sun) is hidden behind the rest of the planet wherever it
// lies; a patch wholly outside the view cannot show either.
//
// The patches hold no GL names: they give the order in which the mesh
// stores its vertices, patch after patch, and each selection is a list of
// runs of that order for one multi-draw.
class PlanetPatches {
public:
    // Patches of about this many faces, at least six (one per side of a
    // cube round the planet).
    static constexpr std::uint32_t kFacesPerPatch = 300;

    // Groups the faces; their tiles' positions are fixed from here on.
    void build(const std::vector<Tile>& tiles, const std::vector<Face*>& faces);

    // The mesh's vertices patch after patch: entry k is the vertex the mesh
    // stores k-th, as 3 x face + corner (face in the planet's face order).
    const std::vector<std::uint32_t>& getIndices() const { return indices; }
    std::size_t getPatchCount() const { return patches.size(); }

    // Each select replaces the runs and returns the faces they hold.
    // Every face.
    std::uint32_t selectAll();
    // The patches that may show to a camera at `eye` (model coordinates)
    // with `clip` (projection x view x model); with `backFaces` also those
    // turned away from it (a wireframe view shows them).
    std::uint32_t selectForCamera(const glm::vec3& eye, const glm::mat4& clip, bool backFaces);
    // The patches that may lie in the shadow map's texels [low, high) and
    // turn some face towards the sun. `towardSun`: unit direction in model
    // coordinates; `toTexels`: model coordinates to shadow-map texels (x, y).
    std::uint32_t selectForSun(const glm::vec3& towardSun, const glm::mat4& toTexels, const glm::vec2& low,
                               const glm::vec2& high);

    // The runs of the last selection: first stored vertex and vertex count,
    // as glMultiDrawArrays takes them.
    const std::vector<int>& getRunFirsts() const { return runFirsts; }
    const std::vector<int>& getRunCounts() const { return runCounts; }

private:
    struct Patch {
        std::uint32_t first = 0; // first stored vertex
        std::uint32_t count = 0; // vertices (three per face)
        glm::vec3 low{0.0f};     // box round its faces
        glm::vec3 high{0.0f};
        glm::vec3 centre{0.0f}; // sphere round its faces
        float radius = 0.0f;
        // Every face's outward normal lies within this cone...
        glm::vec3 axis{0.0f};
        float cosSpread = 1.0f;
        float sinSpread = 0.0f;
        // ...and every face's plane at least this far from the centre.
        float nearestPlane = 0.0f;
    };

    // The largest cosine between a face normal of the patch and `direction`
    // (unit), from the patch's normal cone.
    static float mostFacing(const Patch& patch, const glm::vec3& direction);
    void clearRuns();
    void addRun(const Patch& patch);

    std::vector<Patch> patches;
    std::vector<std::uint32_t> indices;
    std::vector<int> runFirsts;
    std::vector<int> runCounts;
};

} // namespace BV
