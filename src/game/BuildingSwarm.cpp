#include "game/BuildingSwarm.h"

#include "game/Game.h"
#include "game/MilitaryBuilding.h"
#include "game/NPC.h"
#include "game/Player.h"
#include "game/Tile.h"

namespace BV {

BuildingSwarm::BuildingSwarm(std::uint16_t count, MilitaryBuilding* source, Tile* targetTile, Game* game)
    : Swarm(count, centreOf(source), targetTile->position, 80.0f / static_cast<float>(planetSize()), dotTexture()),
      source(source), targetTile(targetTile), owner(source->owner), game(game)
{
    colour = owner->colour;
}

void BuildingSwarm::onArrived()
{
    if (isFinished()) {
        return;
    }
    // A tile built on or lost while the swarm was under way takes nothing.
    if (game && !targetTile->building && targetTile->owner == owner) {
        game->createTower(targetTile, owner, false);
    } else if (owner == computerPlayer) {
        // The opponent may choose the tile again.
        NPC::getInstance()->releaseBuildTile(targetTile->index);
    }
    finish(game);
}

void BuildingSwarm::updateVisibility()
{
    showWhereHumanSees(owner, game);
}

} // namespace BV
