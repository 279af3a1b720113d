#include "game/Building.h"

namespace BV {

Building::Building(Tile* tile, Player* owner) : tile(*tile), owner(owner)
{
    tile->building = this;
}

} // namespace BV
