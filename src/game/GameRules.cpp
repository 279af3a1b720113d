// The rules that must hold between two frames of a game, kept beside the
// state they constrain. Self-played games check them after every frame; a
// normal run does when BREVAMOOR_CHECK=1.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include <GL/glew.h>

#include "app/Log.h"
#include "game/AttackingSwarm.h"
#include "game/BuildingSwarm.h"
#include "game/Game.h"
#include "game/MilitaryBuilding.h"
#include "game/NPC.h"
#include "game/Planet.h"
#include "game/Player.h"
#include "game/Territory.h"
#include "scene/Scene.h"

namespace BV {

namespace {

using BuildingSet = std::unordered_set<const Building*>;

std::string idOf(const Player* player)
{
    return std::to_string(player ? player->id : 0);
}

std::string tileText(std::size_t index)
{
    return "tile " + std::to_string(index);
}

// A tile's owner is P exactly when its index is in P's territory, once.
std::string checkTerritories(const std::vector<Tile>& tiles)
{
    std::vector<const Player*> listed(tiles.size(), nullptr);
    for (const Player* player : {humanPlayer, computerPlayer}) {
        for (const std::uint32_t index : player->territory->ownedTiles) {
            if (index >= tiles.size() || listed[index]) {
                return tileText(index) + " is listed twice in the territories";
            }
            listed[index] = player;
        }
    }
    for (const Tile& tile : tiles) {
        if (tile.owner != listed[tile.index]) {
            return tileText(tile.index) + " has owner " + idOf(tile.owner) + " but is in the territory of " +
                   idOf(listed[tile.index]);
        }
    }
    return "";
}

// Every building stands on the tile that points to it, keeps at most its
// full garrison and is in its owner's list; no tile points to a building
// the game does not know.
std::string checkBuildings(const std::vector<Tile>& tiles, const std::vector<Building*>& buildings,
                           const BuildingSet& live)
{
    const BuildingSet human(humanPlayer->buildings.begin(), humanPlayer->buildings.end());
    const BuildingSet computer(computerPlayer->buildings.begin(), computerPlayer->buildings.end());
    for (const Building* building : buildings) {
        const std::size_t index = building->tile.index;
        if (index >= tiles.size() || tiles[index].building != building) {
            return "the building on " + tileText(index) + " is not the one its tile points to";
        }
        const auto* military = dynamic_cast<const MilitaryBuilding*>(building);
        if (military && military->units > military->maxUnits) {
            return "the garrison on " + tileText(index) + " is " + std::to_string(military->units);
        }
        if (!(building->owner == humanPlayer ? human : computer).count(building)) {
            return "the building on " + tileText(index) + " is missing from its owner's list";
        }
    }
    for (const Tile& tile : tiles) {
        if (tile.building && !live.count(tile.building)) {
            return tileText(tile.index) + " points to a building the game does not know";
        }
    }
    return "";
}

// Every entity in flight is a swarm between live buildings or towards a
// tile of the planet.
std::string checkSwarms(const std::vector<Tile>& tiles, const std::vector<Entity*>& entities, const BuildingSet& live)
{
    for (const Entity* entity : entities) {
        if (const auto* attack = dynamic_cast<const AttackingSwarm*>(entity)) {
            if (!live.count(attack->getSource()) || !live.count(attack->getTargetBuilding())) {
                return "an attacking swarm's source or target is not a live building";
            }
        } else if (const auto* founding = dynamic_cast<const BuildingSwarm*>(entity)) {
            const Tile* target = founding->getTargetTile();
            if (!live.count(founding->getSource()) || target < tiles.data() || target >= tiles.data() + tiles.size()) {
                return "a founding swarm's source or target tile is not alive";
            }
        } else {
            return "an entity that is no swarm is in flight";
        }
    }
    return "";
}

bool isFoundingTowards(const std::vector<Entity*>& entities, std::uint32_t tile)
{
    for (const Entity* entity : entities) {
        const auto* founding = dynamic_cast<const BuildingSwarm*>(entity);
        if (founding && !founding->isFinished() && founding->getOwner() == computerPlayer &&
            founding->getTargetTile()->index == tile) {
            return true;
        }
    }
    return false;
}

// The opponent's lists agree with the board: its own buildings are the
// computer's finished ones, its full list holds only full finished towers
// of its own, its known enemies are the human's, and each pending tile is
// the computer's and awaits a founding party or carries the tower that
// party has just founded (the tile is released once the tower is finished).
std::string checkOpponent(const std::vector<Tile>& tiles, const std::vector<Entity*>& entities)
{
    const NPC* npc = NPC::getInstance();
    std::vector<const Building*> finished;
    for (const Building* building : computerPlayer->buildings) {
        if (!building->isUnderConstruction()) {
            finished.push_back(building);
        }
    }
    std::vector<const Building*> own(npc->ownBuildings.begin(), npc->ownBuildings.end());
    std::sort(finished.begin(), finished.end());
    std::sort(own.begin(), own.end());
    if (own != finished) {
        return "the opponent lists " + std::to_string(own.size()) + " own buildings, the computer has " +
               std::to_string(finished.size()) + " finished ones";
    }
    for (const MilitaryBuilding* building : npc->fullBuildings) {
        if (building->owner != computerPlayer || !building->isFull() || building->isUnderConstruction()) {
            return "the opponent's full list holds the building on " + tileText(building->tile.index) + " (owner " +
                   idOf(building->owner) + ", " + std::to_string(building->units) + " units)";
        }
    }
    for (const MilitaryBuilding* building : npc->knownEnemies) {
        if (building->owner != humanPlayer) {
            return "the opponent's known enemies hold its own building on " + tileText(building->tile.index);
        }
    }
    for (const std::uint32_t index : npc->pendingBuildTiles) {
        const Tile& tile = tiles.at(index);
        const bool rising =
            tile.building && tile.building->owner == computerPlayer && tile.building->isUnderConstruction();
        const bool flying = isFoundingTowards(entities, index);
        if (tile.owner != computerPlayer || !(rising || (!tile.building && flying))) {
            return "pending " + tileText(index) + " (owner " + idOf(tile.owner) + (tile.building ? ", built on" : "") +
                   (flying ? "" : ", no founding party on its way") + ")";
        }
    }
    return "";
}

} // namespace

std::string Game::brokenRule() const
{
    const std::vector<Tile>& tiles = planet->tiles;
    const BuildingSet live(buildings.begin(), buildings.end());
    for (const std::string& broken :
         {checkTerritories(tiles), checkBuildings(tiles, buildings, live), checkSwarms(tiles, entities, live)}) {
        if (!broken.empty()) {
            return broken;
        }
    }
    // Every building carries two nodes of the scene's table (the tower and
    // its sign), every swarm one; a swarm removed leaves none behind.
    const std::size_t nodes = scene->getNodes().size();
    const std::size_t expected = fixedNodes + 2 * buildings.size() + entities.size();
    if (nodes != expected) {
        return "the scene holds " + std::to_string(nodes) + " nodes, expected " + std::to_string(expected);
    }
    const GLenum error = glGetError();
    if (error != GL_NO_ERROR) {
        return "GL error " + std::to_string(error);
    }
    return checkOpponent(tiles, entities);
}

std::uint64_t Game::stateHash(std::uint64_t frames) const
{
    std::uint64_t hash = 1469598103934665603ull;
    const auto mix = [&hash](std::uint64_t value) {
        for (int i = 0; i < 8; ++i) {
            hash = (hash ^ ((value >> (8 * i)) & 0xFFu)) * 1099511628211ull;
        }
    };
    mix(frames);
    for (const Tile& tile : planet->tiles) {
        mix(static_cast<std::uint64_t>(tile.owner ? tile.owner->id : 0));
    }
    for (const Building* building : buildings) {
        mix(building->tile.index);
        mix(static_cast<std::uint64_t>(building->owner ? building->owner->id : 0));
        mix(building->isUnderConstruction() ? 1u : 0u);
        if (const auto* military = dynamic_cast<const MilitaryBuilding*>(building)) {
            mix(military->units);
        }
    }
    return hash;
}

void Game::startRuleChecks()
{
    fixedNodes = scene->getNodes().size() - 2 * buildings.size();
    const char* check = std::getenv("BREVAMOOR_CHECK");
    checkingRules = check && std::strcmp(check, "1") == 0;
    if (checkingRules) {
        // What construction left in GL's error flag is no rule of a frame.
        while (glGetError() != GL_NO_ERROR) {
        }
    }
}

void Game::frame(bool draw)
{
    advance(draw);
    ++framesPlayed;
    if (!checkingRules) {
        return;
    }
    const std::string broken = brokenRule();
    if (!broken.empty()) {
        Log::getInstance().write("Broken rule at frame " + std::to_string(framesPlayed) + ", seed " +
                                     std::to_string(seed) + ": " + broken,
                                 CRITICAL);
        // One line is enough to report; the rest of the run is not checked.
        checkingRules = false;
    }
}

} // namespace BV
