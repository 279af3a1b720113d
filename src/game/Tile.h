#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include <glm/glm.hpp>

namespace BV {

struct Face;
class Player;
class Building;
class MilitaryBuilding;

// One tile of the planet: a vertex of its mesh and the hexagon (or, at the
// twelve corners of the base solid, the pentagon) of triangles around it.
// A plain record: buildings keep a copy of the tile they stand on.
struct Tile {
    // Terrain 0 to 4. Nothing is ever built on type 0; types 1 to 4 decide
    // the odds of fights and the tile's picture.
    std::uint32_t type = 1;
    glm::vec3 position{0.0f};
    // Unit vector from the planet's centre through the tile.
    glm::vec3 normal{0.0f};
    // The triangles that have this tile as a corner (5 or 6 on a built
    // planet), counter-clockwise around `normal` seen from outside.
    std::vector<Face*> faces;
    std::uint32_t index = 0;
    // Null while nobody owns the tile. The owner is P exactly when the index
    // is in P's territory's ownedTiles.
    Player* owner = nullptr;
    Building* building = nullptr;
    // Strength with which each building's territory reaches this tile. An
    // entry, once made, is never changed or removed.
    std::unordered_map<MilitaryBuilding*, std::uint32_t> influence;

    // Replaces the content of `out` with the tiles sharing a triangle with
    // this one, each once, in the counter-clockwise order of `faces`.
    void getNeighbours(std::vector<std::uint32_t>& out) const;
};

} // namespace BV
