#pragma once

#include <vector>

#include "app/Singleton.h"

namespace BV {

class MilitaryBuilding;

// The computer opponent. It never scans the map: it knows only the enemy
// buildings it has been told about as its territory came to see them.
class NPC : public Singleton<NPC> {
public:
    // Appends `building` to knownEnemies; duplicates are the caller's concern.
    void addKnownEnemy(MilitaryBuilding* building);

    // Enemy buildings in the order the opponent learnt of them.
    std::vector<MilitaryBuilding*> knownEnemies;

private:
    friend class Singleton<NPC>;
    NPC() = default;
};

} // namespace BV
