#pragma once

#include <cstdint>

namespace BV {

// The layout of the planet's terrain atlas, shared by the planet's mesh and
// the asset baker that paints the atlas, so the two cannot drift apart.
//
// Every planet triangle shows one cell, chosen by the terrain types (0 to 4)
// of its three corner tiles. Cells run 12 to a row from the bottom-left
// (v grows upwards), each cellSize of the atlas wide and high. Inside a cell
// the triangle's corners lie at cornerCoords (cell units); the grid and
// border textures use the same three corners over their whole area.
class TerrainAtlas {
public:
    static constexpr std::uint32_t typeCount = 5;
    static constexpr std::uint32_t cellCount = typeCount * typeCount * typeCount;
    static constexpr std::uint32_t cellsPerRow = 12;
    static constexpr float cellSize = 0.083251953125f;
    static constexpr float cornerCoords[3][2] = {{0.5f, 0.1f}, {0.979f, 0.93f}, {0.021f, 0.93f}};

    // The cell of a triangle whose corners 0, 1 and 2 have these types. Note
    // the order of the weights: corner 0, then corner 2, then corner 1.
    static constexpr std::uint32_t cellOf(std::uint32_t type0, std::uint32_t type1, std::uint32_t type2)
    {
        return 25 * type0 + 5 * type2 + type1;
    }

    // The type of the given corner (0, 1, 2) that a cell shows; cellOf undone.
    static constexpr std::uint32_t cornerType(std::uint32_t cell, int corner)
    {
        return corner == 0 ? cell / 25 : corner == 1 ? cell % 5 : (cell / 5) % 5;
    }

    // The lower-left corner of a cell in atlas coordinates.
    static constexpr float cellU(std::uint32_t cell) { return static_cast<float>(cell % cellsPerRow) * cellSize; }
    static constexpr float cellV(std::uint32_t cell) { return static_cast<float>(cell / cellsPerRow) * cellSize; }
};

} // namespace BV
