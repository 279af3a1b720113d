#pragma once

#include <vector>

#include "Image.h"

namespace BV {

// Paints the planet's surface textures. The planet mesh gives every triangle
// one cell of the terrain atlas, chosen by the terrain types of its three
// corner tiles: cell = 25 * type(corner 0) + 5 * type(corner 2) +
// type(corner 1), 12 cells per atlas row from the bottom-left (v grows
// upwards), each cell 0.083251953125 of the atlas wide and high. Inside a
// cell the triangle's corners lie at (0.5, 0.1) for corner 0, (0.979, 0.93)
// for corner 1 and (0.021, 0.93) for corner 2 of the cell (u, v). The grid
// and border textures use the same three corner positions over the whole
// texture instead of one cell.
//
// Terrain types: 0 water, 1 grassland, 2 desert, 3 heather moor, 4 rocky
// mountains with snow.
class TerrainPainter {
public:
    static constexpr float cellSize = 0.083251953125f;
    static constexpr int cellsPerRow = 12;
    static constexpr int cellCount = 125;
    static constexpr int typeCount = 5;

    TerrainPainter();

    // Paints the colour atlas and, from the same height field, its tangent-
    // space normal map (x along u, y along v, z out of the surface).
    void paintAtlas(int size, Image* colour, Image* normals) const;
    // Thin white lines along the tile borders inside a triangle; alpha is
    // the line's coverage.
    static Image grid(int size);
    // Which tile each point of a triangle belongs to: red, green and blue are
    // the shares of the tiles at corners 0, 1 and 2 (summing to 1, blended
    // across a narrow seam at the tile borders); alpha is a band that is 1 on
    // the tile borders and fades to 0 inwards, for drawing territory edges.
    static Image border(int size);

    // The corner positions of the triangle inside a cell or the grid texture.
    static void corner(int index, float* u, float* v);

private:
    static constexpr int tableSize = 256;

    struct Sample {
        Colour colour;
        float height = 0.0f;
    };

    void buildTables();
    Sample terrainAt(int type, int x, int y) const;

    std::vector<Colour> colourTable[typeCount];
    std::vector<float> heightTable[typeCount];
    std::vector<float> blendNoise;
};

} // namespace BV
