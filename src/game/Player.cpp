#include "game/Player.h"

#include "game/Territory.h"

namespace BV {

Player* humanPlayer = nullptr;
Player* computerPlayer = nullptr;

Player::Player(std::int16_t id, const glm::vec3& colour, Planet* planet)
    : id(id), colour(colour), territory(new Territory(this, planet))
{
}

Player::~Player()
{
    delete territory;
}

} // namespace BV
