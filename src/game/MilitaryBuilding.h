#pragma once

#include <cstdint>

#include "game/Building.h"

namespace BV {

// A building with a garrison whose territory spreads around its tile.
class MilitaryBuilding : public Building {
public:
    MilitaryBuilding(Tile* tile, Player* owner);

    // Claims the tiles around the building for its owner.
    void onConstructed() override;

    // Tiles: the building's own tile is claimed with this strength, each
    // step away with one less.
    std::uint16_t territoryRadius = 3;
};

} // namespace BV
