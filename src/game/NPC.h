#pragma once

#include <cstdint>
#include <vector>

#include "app/Singleton.h"

namespace BV {

class Game;
class MilitaryBuilding;
class Player;

// The computer opponent. It never scans the map: it knows only what the
// buildings and its territory tell it through the event operations, and
// once a second it decides on attacks and new towers by its dice.
class NPC : public Singleton<NPC> {
public:
    // One of its buildings was finished or captured by it: from now on it is
    // its own, no longer an enemy to attack, and its tile no longer pending.
    void addOwnBuilding(MilitaryBuilding* building);
    // One of its buildings was captured by the human player; it becomes a
    // known enemy.
    void loseBuilding(MilitaryBuilding* building);
    // An enemy building came into its sight. Each building is listed once,
    // and never one the computer owns.
    void addKnownEnemy(MilitaryBuilding* building);
    // A founding party for this tile ended without founding, or the tile
    // stopped being the computer's: it may be chosen again.
    void releaseBuildTile(std::uint32_t tile);
    void buildingFull(MilitaryBuilding* building);
    void buildingNotFull(MilitaryBuilding* building);

    // dt in seconds; thinks once the timer reaches one second.
    void update(double dt);

    // The best known enemy for `attacker` to attack, or null.
    MilitaryBuilding* chooseTarget(MilitaryBuilding* attacker) const;

    Player* player = nullptr;
    Game* game = nullptr;
    // Its buildings at the maximum, in the order they became full.
    std::vector<MilitaryBuilding*> fullBuildings;
    // Enemy buildings in the order the opponent learnt of them, each once;
    // never one of its own.
    std::vector<MilitaryBuilding*> knownEnemies;
    // Its finished buildings, in the order they were finished or captured.
    std::vector<MilitaryBuilding*> ownBuildings;
    double thinkTimer = 0.0; // seconds since the last think
    // Tiles one of its building swarms is flying to, each once. A tile leaves
    // when its tower is finished, when its party fails, or when it is lost.
    std::vector<std::uint32_t> pendingBuildTiles;

private:
    friend class Singleton<NPC>;
    NPC() = default;

    void think();
    void attack();
    void found();
    std::int64_t chooseBuildTile() const;
};

} // namespace BV
