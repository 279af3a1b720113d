#pragma once

#include <cstdint>

#include "game/Swarm.h"

namespace BV {

class Game;
class MilitaryBuilding;
class Player;
struct Tile;

// Units sent by a full building to found a new tower on an empty tile of
// their side's territory. They fly at half the speed of an attack.
class BuildingSwarm : public Swarm {
public:
    // count units from source (non-null) to targetTile (the planet's own
    // record), at 80 / planet_size world units per second in the colour of
    // the source's owner. game (may be null in tests) founds the tower and
    // receives the removal.
    BuildingSwarm(std::uint16_t count, MilitaryBuilding* source, Tile* targetTile, Game* game);

    // Founds the tower if the tile is still empty and still the swarm's
    // side's; the units are spent either way. Then the swarm is removed.
    void onArrived() override;
    void updateVisibility() override;

    MilitaryBuilding* getSource() const { return source; }
    Tile* getTargetTile() const { return targetTile; }
    Player* getOwner() const { return owner; }

private:
    MilitaryBuilding* source; // not owned
    Tile* targetTile;         // the planet's
    Player* owner;            // the source's owner at launch
    Game* game;               // not owned
};

} // namespace BV
