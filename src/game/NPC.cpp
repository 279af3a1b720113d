#include "game/NPC.h"

namespace BV {

void NPC::addKnownEnemy(MilitaryBuilding* building)
{
    knownEnemies.push_back(building);
}

} // namespace BV
