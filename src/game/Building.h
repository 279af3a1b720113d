#pragma once

#include "game/Tile.h"

namespace BV {

class Player;

// Something a player owns on one tile of the planet.
//
// Becomes an Entity when the scene joins the game; `visible` then moves into
// the Entity part, where the scene reads it.
class Building {
public:
    // Stands on `tile` (the planet's own record, which points back to the
    // building from now on) for `owner`.
    Building(Tile* tile, Player* owner);
    virtual ~Building() = default;

    // Called once construction is over.
    virtual void onConstructed() {}

    // A copy taken at construction; its position, normal and index are what
    // the building uses.
    Tile tile;
    Player* owner;
    // Whether the human player may see the building; an enemy building stays
    // hidden until its tile comes into the human player's sight.
    bool visible = false;

private:
    Building(const Building&) = delete;
    Building& operator=(const Building&) = delete;
};

} // namespace BV
