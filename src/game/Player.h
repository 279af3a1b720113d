#pragma once

#include <cstdint>
#include <vector>

#include <glm/glm.hpp>

namespace BV {

class Building;
class Planet;
class Territory;

// One side of the game: the human player (id 1) or the computer opponent
// (id 2).
class Player {
public:
    // Creates the player's territory on `planet`.
    Player(std::int16_t id, const glm::vec3& colour, Planet* planet);
    ~Player();

    // Also the tile owner value the planet shader receives.
    std::int16_t id;
    glm::vec3 colour;
    // The buildings the side owns, in the order acquired.
    std::vector<Building*> buildings;
    // Owned; deleted in ~Player.
    Territory* territory;

private:
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;
};

// The two sides for the whole run; whose an object is is decided by
// comparing its owner with these.
extern Player* humanPlayer;
extern Player* computerPlayer;

} // namespace BV
