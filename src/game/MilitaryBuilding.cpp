#include "game/MilitaryBuilding.h"

#include "game/Player.h"
#include "game/Territory.h"

namespace BV {

MilitaryBuilding::MilitaryBuilding(Tile* tile, Player* owner) : Building(tile, owner) {}

void MilitaryBuilding::onConstructed()
{
    owner->territory->claim(tile.index, territoryRadius, this);
}

} // namespace BV
