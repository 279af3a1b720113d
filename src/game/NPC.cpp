#include "game/NPC.h"

#include <algorithm>

#include <glm/glm.hpp>

#include "game/Dice.h"
#include "game/Matchup.h"
#include "game/MilitaryBuilding.h"
#include "game/Planet.h"
#include "game/Player.h"
#include "game/Territory.h"
#include "scene/SceneNode.h"

namespace BV {

namespace {
template <typename T> void eraseFirst(std::vector<T>& list, const T& value)
{
    const auto it = std::find(list.begin(), list.end(), value);
    if (it != list.end()) {
        list.erase(it);
    }
}

template <typename T> bool contains(const std::vector<T>& list, const T& value)
{
    return std::find(list.begin(), list.end(), value) != list.end();
}

// Only scores above this are worth an attack.
constexpr int attackThreshold = 800;
} // namespace

void NPC::addOwnBuilding(MilitaryBuilding* building)
{
    // A tower captured while it still rises is reported again when it is
    // finished; listed twice it would roll twice per think.
    if (!contains(ownBuildings, building)) {
        ownBuildings.push_back(building);
    }
    // A tower it captured would otherwise score itself as a target and send
    // half its garrison against nobody.
    eraseFirst(knownEnemies, building);
    eraseFirst(pendingBuildTiles, building->tile.index);
}

// Called while the building still names the computer as its owner.
void NPC::loseBuilding(MilitaryBuilding* building)
{
    eraseFirst(ownBuildings, building);
    if (!contains(knownEnemies, building)) {
        knownEnemies.push_back(building);
    }
}

void NPC::addKnownEnemy(MilitaryBuilding* building)
{
    if (building->owner == player || contains(knownEnemies, building)) {
        return;
    }
    knownEnemies.push_back(building);
}

void NPC::releaseBuildTile(std::uint32_t tile)
{
    eraseFirst(pendingBuildTiles, tile);
}

void NPC::buildingFull(MilitaryBuilding* building)
{
    fullBuildings.push_back(building);
}

void NPC::buildingNotFull(MilitaryBuilding* building)
{
    eraseFirst(fullBuildings, building);
}

void NPC::update(double dt)
{
    thinkTimer += dt;
    if (thinkTimer >= 1.0) {
        think();
    }
}

// Time beyond the second is dropped: a long frame thinks once, not twice.
void NPC::think()
{
    thinkTimer = 0.0;
    attack();
    found();
}

// Each own building attacks with one chance in ten, if a target is worth it.
// Walks by index: an attack may change no list here, but stays safe if it does.
void NPC::attack()
{
    if (knownEnemies.empty()) {
        return;
    }
    for (std::size_t i = 0; i < ownBuildings.size(); ++i) {
        MilitaryBuilding* building = ownBuildings[i];
        if (Dice::roll() % 20 < 2) {
            if (MilitaryBuilding* target = chooseTarget(building)) {
                building->attack(target, game);
            }
        }
    }
}

// Full buildings found new towers, less eagerly the more buildings it has.
// Building changes fullBuildings (the garrison drops to 40), so it walks a copy.
void NPC::found()
{
    const std::vector<MilitaryBuilding*> full = fullBuildings;
    for (MilitaryBuilding* building : full) {
        const auto half = static_cast<std::uint16_t>(ownBuildings.size() * 0.5);
        const int modulus = half * 10 + 1;
        if (Dice::roll() % modulus >= 2) {
            continue;
        }
        const std::int64_t tile = chooseBuildTile();
        if (tile < 0) {
            continue;
        }
        pendingBuildTiles.push_back(static_cast<std::uint32_t>(tile));
        building->build(&player->territory->planet->tiles[static_cast<std::size_t>(tile)], game);
    }
}

// Its own empty, buildable tile reached by the fewest claims; the earlier
// tile wins a tie. -1 when there is none.
std::int64_t NPC::chooseBuildTile() const
{
    if (!player) {
        return -1;
    }
    const std::vector<Tile>& tiles = player->territory->planet->tiles;
    std::int64_t best = -1;
    std::size_t fewest = 0;
    for (std::uint32_t index : player->territory->ownedTiles) {
        const Tile& tile = tiles[index];
        if (tile.building || tile.type == 0 || contains(pendingBuildTiles, index)) {
            continue;
        }
        if (best < 0 || tile.influence.size() < fewest) {
            best = index;
            fewest = tile.influence.size();
        }
    }
    return best;
}

MilitaryBuilding* NPC::chooseTarget(MilitaryBuilding* attacker) const
{
    MilitaryBuilding* best = nullptr;
    int bestScore = 0;
    for (MilitaryBuilding* candidate : knownEnemies) {
        if (candidate->isUnderConstruction()) {
            continue;
        }
        const float odds = static_cast<float>(matchup(candidate->tileType, attacker->tileType));
        const float distance = attacker->node && candidate->node
                                   ? glm::distance(attacker->node->position, candidate->node->position)
                                   : 0.0f;
        const int score = static_cast<int>(
            2.0f * (2.0f * odds + 250.0f - static_cast<float>(candidate->units) + static_cast<float>(attacker->units)) -
            distance);
        if (score > attackThreshold && (!best || score >= bestScore)) {
            best = candidate;
            bestScore = score;
        }
    }
    return best;
}

} // namespace BV
