#pragma once

#include <cstdint>

namespace BV {

// One triangle of the planet's mesh; owned by the planet.
struct Face {
    // Tile indices, counter-clockwise seen from outside the planet.
    std::uint32_t corners[3] = {0, 0, 0};
    // The triangles across the edges (corner 0 to 1), (1 to 2) and (2 to 0).
    Face* neighbours[3] = {nullptr, nullptr, nullptr};
    // Position in the face vector that received the face.
    std::uint32_t faceIndex = 0;
    // Scratch value of the planet's construction: while a subdivision runs,
    // the index of the tile made at the face's centre; while the tiles' face
    // lists are sorted, the face's angle (radians) around the tile being
    // sorted. Meaningless once the planet is built.
    union {
        std::uint32_t tile;
        float angle;
    } key = {0};
};

} // namespace BV
