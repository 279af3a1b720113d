#pragma once

#include <vector>

#include "Image.h"
#include "game/TerrainAtlas.h"

namespace BV {

// Paints the planet's surface textures: the terrain atlas in the layout
// TerrainAtlas gives the planet's mesh, and the grid and border textures,
// which use the same three triangle corners over their whole area.
//
// Terrain types: 0 water, 1 grassland, 2 desert, 3 heather moor, 4 rocky
// mountains with snow.
class TerrainPainter {
public:
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

private:
    static constexpr int tableSize = 256;

    struct Sample {
        Colour colour;
        float height = 0.0f;
    };

    void buildTables();
    Sample terrainAt(int type, int x, int y) const;

    std::vector<Colour> colourTable[TerrainAtlas::typeCount];
    std::vector<float> heightTable[TerrainAtlas::typeCount];
    std::vector<float> blendNoise;
};

} // namespace BV
