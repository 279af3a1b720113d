#pragma once

#include <cstdint>

#include "game/Swarm.h"

namespace BV {

class Game;
class MilitaryBuilding;
class Player;

// Units sent by one building against another. Every unit that reaches the
// target fights its garrison; a garrison beaten down to nothing changes sides
// and the surviving attackers become its new garrison.
class AttackingSwarm : public Swarm {
public:
    // count units from source to targetBuilding, both non-null, flying at
    // 160 / planet_size world units per second in the colour of the source's
    // owner. game (may be null in tests) receives the removal.
    AttackingSwarm(std::uint16_t count, MilitaryBuilding* source, MilitaryBuilding* targetBuilding, Game* game);

    void onUnitArrived() override;
    // The rest fight at once; then the swarm is removed.
    void onArrived() override;
    void updateVisibility() override;

    MilitaryBuilding* getSource() const { return source; }
    MilitaryBuilding* getTargetBuilding() const { return targetBuilding; }
    Player* getOwner() const { return owner; }

private:
    void fight(std::uint16_t attackers);
    void capture(std::uint16_t survivors);

    MilitaryBuilding* source;         // not owned; buildings outlive swarms
    MilitaryBuilding* targetBuilding; // not owned
    Player* owner;                    // the source's owner at launch
    Game* game;                       // not owned
};

} // namespace BV
