#include "support/SelfPlay.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <unordered_set>

#include "app/ConfigFile.h"
#include "app/Window.h"
#include "game/AttackingSwarm.h"
#include "game/BuildingSwarm.h"
#include "game/Game.h"
#include "game/Matchup.h"
#include "game/MilitaryBuilding.h"
#include "game/NPC.h"
#include "game/Planet.h"
#include "game/Player.h"
#include "game/Territory.h"
#include "resources/Loaders.h"
#include "resources/ResourceManager.h"
#include "scene/Cursor.h"
#include "scene/Drawing.h"
#include "scene/Scene.h"
#include "scene/Statistics.h"
#include "support/ProgramWindow.h"

namespace BV::testkit {

namespace {

int sideOf(const Player* player)
{
    return player == humanPlayer ? 0 : 1;
}

std::int16_t idOf(const Player* player)
{
    return player ? player->id : 0;
}

// Expected kills per attacker of a duel series with these odds: each unit
// fights until it loses once.
double killsPerAttacker(std::uint32_t odds)
{
    const double wins = (std::max(0.0, odds - 100.0) + std::min(odds, 100u) * 0.495) / odds;
    return wins / (1.0 - wins);
}

// ---- Invariants -------------------------------------------------------------

std::string checkTerritories(const Game& game)
{
    const std::vector<Tile>& tiles = game.getPlanet()->tiles;
    std::vector<const Player*> listed(tiles.size(), nullptr);
    for (const Player* player : {humanPlayer, computerPlayer}) {
        for (const std::uint32_t index : player->territory->ownedTiles) {
            if (index >= tiles.size() || listed[index]) {
                return "tile " + std::to_string(index) + " is listed twice in the territories";
            }
            listed[index] = player;
        }
    }
    for (const Tile& tile : tiles) {
        if (tile.owner != listed[tile.index]) {
            return "tile " + std::to_string(tile.index) + " has owner " + std::to_string(idOf(tile.owner)) +
                   " but is in the territory of " + std::to_string(idOf(listed[tile.index]));
        }
    }
    return "";
}

using BuildingSet = std::unordered_set<const Building*>;

std::string checkBuildings(const Game& game, const BuildingSet& live)
{
    const std::vector<Tile>& tiles = game.getPlanet()->tiles;
    const BuildingSet human(humanPlayer->buildings.begin(), humanPlayer->buildings.end());
    const BuildingSet computer(computerPlayer->buildings.begin(), computerPlayer->buildings.end());
    for (const Building* building : game.getBuildings()) {
        const std::size_t index = building->tile.index;
        if (index >= tiles.size() || tiles[index].building != building) {
            return "the building on tile " + std::to_string(index) + " is not the one its tile points to";
        }
        const auto* military = dynamic_cast<const MilitaryBuilding*>(building);
        if (military && military->units > military->maxUnits) {
            return "the garrison on tile " + std::to_string(index) + " is " + std::to_string(military->units);
        }
        if (!(building->owner == humanPlayer ? human : computer).count(building)) {
            return "the building on tile " + std::to_string(index) + " is missing from its owner's list";
        }
    }
    for (const Tile& tile : tiles) {
        if (tile.building && !live.count(tile.building)) {
            return "tile " + std::to_string(tile.index) + " points to a building the game does not know";
        }
    }
    return "";
}

std::string checkSwarms(const Game& game, const BuildingSet& live)
{
    const std::vector<Tile>& tiles = game.getPlanet()->tiles;
    for (const Entity* entity : game.getEntities()) {
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

bool isFoundingTowards(const Game& game, std::uint32_t tile)
{
    for (const Entity* entity : game.getEntities()) {
        const auto* founding = dynamic_cast<const BuildingSwarm*>(entity);
        if (founding && !founding->isFinished() && founding->getOwner() == computerPlayer &&
            founding->getTargetTile()->index == tile) {
            return true;
        }
    }
    return false;
}

std::string checkOpponent(const Game& game)
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
            return "the opponent's full list holds the building on tile " + std::to_string(building->tile.index) +
                   " (owner " + std::to_string(idOf(building->owner)) + ", " + std::to_string(building->units) +
                   " units)";
        }
    }
    for (const MilitaryBuilding* building : npc->knownEnemies) {
        if (building->owner != humanPlayer) {
            return "the opponent's known enemies hold its own building on tile " + std::to_string(building->tile.index);
        }
    }
    // A pending tile is the computer's and empty with a founding party on
    // its way, or carries the computer's tower that party has just founded
    // (the tile is released once the tower is finished).
    const std::vector<Tile>& tiles = game.getPlanet()->tiles;
    for (const std::uint32_t index : npc->pendingBuildTiles) {
        const Tile& tile = tiles.at(index);
        const bool rising =
            tile.building && tile.building->owner == computerPlayer && tile.building->isUnderConstruction();
        const bool awaited = !tile.building && isFoundingTowards(game, index);
        if (tile.owner != computerPlayer || !(rising || awaited)) {
            return "pending tile " + std::to_string(index) + " (owner " + std::to_string(idOf(tile.owner)) +
                   (tile.building ? ", built on" : "") +
                   (isFoundingTowards(game, index) ? "" : ", no founding party on its way") + ")";
        }
    }
    return "";
}

// ---- The scripted player ----------------------------------------------------

std::vector<std::uint32_t> humanFoundingTargets(const Game& game)
{
    std::vector<std::uint32_t> targets;
    for (const Entity* entity : game.getEntities()) {
        const auto* founding = dynamic_cast<const BuildingSwarm*>(entity);
        if (founding && !founding->isFinished() && founding->getOwner() == humanPlayer) {
            targets.push_back(founding->getTargetTile()->index);
        }
    }
    return targets;
}

} // namespace

SelfPlay::SelfPlay(const SelfPlaySettings& settings) : settings(settings) {}

std::string SelfPlay::checkInvariants(const Game& game, std::size_t fixedNodes)
{
    const BuildingSet live(game.getBuildings().begin(), game.getBuildings().end());
    for (const std::string& broken : {checkTerritories(game), checkBuildings(game, live), checkSwarms(game, live)}) {
        if (!broken.empty()) {
            return broken;
        }
    }
    // Every building carries two nodes of the scene's table (the tower and
    // its sign), every swarm one; a swarm removed leaves none behind.
    const std::size_t nodes = game.getScene()->getNodes().size();
    const std::size_t expected = fixedNodes + 2 * game.getBuildings().size() + game.getEntities().size();
    if (nodes != expected) {
        return "the scene holds " + std::to_string(nodes) + " nodes, expected " + std::to_string(expected);
    }
    const GLenum error = glGetError();
    if (error != GL_NO_ERROR) {
        return "GL error " + std::to_string(error);
    }
    return checkOpponent(game);
}

std::uint64_t SelfPlay::hashState(const Game& game, std::uint64_t frames)
{
    std::uint64_t hash = 1469598103934665603ull;
    const auto mix = [&hash](std::uint64_t value) {
        for (int i = 0; i < 8; ++i) {
            hash = (hash ^ ((value >> (8 * i)) & 0xFFu)) * 1099511628211ull;
        }
    };
    mix(frames);
    for (const Tile& tile : game.getPlanet()->tiles) {
        mix(static_cast<std::uint64_t>(idOf(tile.owner)));
    }
    for (const Building* building : game.getBuildings()) {
        mix(building->tile.index);
        mix(static_cast<std::uint64_t>(idOf(building->owner)));
        mix(building->isUnderConstruction() ? 1u : 0u);
        if (const auto* military = dynamic_cast<const MilitaryBuilding*>(building)) {
            mix(military->units);
        }
    }
    return hash;
}

// ---- One game ---------------------------------------------------------------

SelfPlayResult SelfPlay::run()
{
    configureGame(settings.planetSize);
    Window* window = Window::getInstance();
    if (!ResourceManager::getInstance()->getLoader("vert")) {
        registerLoaders();
        Drawing::getInstance()->init(static_cast<std::uint32_t>(window->getWidth()),
                                     static_cast<std::uint32_t>(window->getHeight()));
    }
    Statistics::getInstance()->gameEnded = false;
    glfwSetWindowShouldClose(window->getHandle(), GLFW_FALSE);
    const auto started = std::chrono::steady_clock::now();
    Game game(window, settings.seed);
    const std::size_t fixedNodes = game.getScene()->getNodes().size() - 2 * game.getBuildings().size();
    const std::size_t tiles = game.getPlanet()->tiles.size();
    reach = 7.0f * std::sqrt(4.0f * 3.14159265f * Game::planetRadius * Game::planetRadius / static_cast<float>(tiles));
    while (glGetError() != GL_NO_ERROR) {
    }

    // The game reads this clock, so every dt is exactly the step; the GLFW
    // clock follows it for anything else that reads the time.
    double now = 0.0;
    game.setClock([&now] { return now; });
    std::uint64_t pausedFrames = 0;
    while (!game.isWon() && !game.isLost() && result.simulatedSeconds < settings.capSeconds) {
        const bool pausing =
            settings.pauseAfter != 0 && result.frames == settings.pauseAfter && pausedFrames < settings.pauseFrames;
        game.setPaused(pausing);
        now = static_cast<double>(result.frames + pausedFrames + 1) * settings.step;
        glfwSetTime(now);
        game.frame(result.frames % static_cast<std::uint64_t>(std::max(1, settings.drawEvery)) == 0);
        if (pausing) {
            ++pausedFrames;
            continue;
        }
        ++result.frames;
        result.simulatedSeconds = static_cast<double>(result.frames) * settings.step;
        countNewTowers(game);
        countNewSwarms(game);
        if (result.firstKnownAt < 0.0 && !NPC::getInstance()->knownEnemies.empty()) {
            result.firstKnownAt = result.simulatedSeconds;
        }
        if (settings.checkInvariants) {
            const std::string broken = checkInvariants(game, fixedNodes);
            if (!broken.empty()) {
                result.violation = "frame " + std::to_string(result.frames) + ", seed " +
                                   std::to_string(settings.seed) + ": " + broken;
                break;
            }
        }
        playHuman(game);
    }
    result.humanWon = game.isWon();
    result.computerWon = game.isLost();
    result.stateHash = hashState(game, result.frames);
    result.realSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return result;
}

void SelfPlay::countNewTowers(const Game& game)
{
    const std::vector<Building*>& buildings = game.getBuildings();
    for (; seenBuildings < buildings.size(); ++seenBuildings) {
        ++result.towersFounded[sideOf(buildings[seenBuildings]->owner)];
    }
}

void SelfPlay::countNewSwarms(const Game& game)
{
    std::unordered_map<const Entity*, bool> now;
    for (const Entity* entity : game.getEntities()) {
        const auto* attack = dynamic_cast<const AttackingSwarm*>(entity);
        const auto seen = seenSwarms.find(entity);
        const bool isNew = seen == seenSwarms.end() || seen->second;
        if (attack && isNew) {
            ++result.attacks[sideOf(attack->getOwner())];
        }
        now[entity] = static_cast<const Swarm*>(entity)->isFinished();
    }
    seenSwarms.swap(now);
}

// Once a policy interval, each finished tower of the human side attacks the
// weakest visible enemy tower in reach when its half should beat that
// garrison, or, when full, founds a tower on its land as near the enemy as
// it can.
void SelfPlay::playHuman(Game& game)
{
    policyTimer += settings.step;
    if (policyTimer < settings.policyInterval || game.isWon() || game.isLost()) {
        return;
    }
    policyTimer = 0.0;
    const std::vector<Building*> towers = humanPlayer->buildings; // clicks may change the list
    for (Building* building : towers) {
        auto* tower = dynamic_cast<MilitaryBuilding*>(building);
        if (!tower || tower->owner != humanPlayer || tower->isUnderConstruction()) {
            continue;
        }
        if (MilitaryBuilding* target = chooseTarget(tower)) {
            if (select(game, tower)) {
                clickOn(game, target->tile.index, Cursor::ATTACK);
            }
        } else if (tower->isFull()) {
            const Tile* site = chooseSite(game);
            if (site && select(game, tower)) {
                clickOn(game, site->index, Cursor::BUILD);
            }
        }
    }
}

MilitaryBuilding* SelfPlay::chooseTarget(const MilitaryBuilding* attacker) const
{
    MilitaryBuilding* weakest = nullptr;
    for (Building* building : computerPlayer->buildings) {
        auto* candidate = dynamic_cast<MilitaryBuilding*>(building);
        if (!candidate || !candidate->visible || candidate->isUnderConstruction() ||
            glm::distance(candidate->tile.position, attacker->tile.position) > reach) {
            continue;
        }
        if (!weakest || candidate->units < weakest->units) {
            weakest = candidate;
        }
    }
    if (!weakest) {
        return nullptr;
    }
    const double sent = attacker->units / 2;
    const double kills = sent * killsPerAttacker(matchup(attacker->tileType, weakest->tileType));
    return kills > 1.2 * weakest->units + 5.0 ? weakest : nullptr;
}

// An empty, buildable tile of the human's land that no founding party is
// already flying to, nearest the closest visible enemy tower (or the
// computer's pole while none is in sight).
const Tile* SelfPlay::chooseSite(const Game& game) const
{
    const Planet* planet = game.getPlanet();
    std::vector<glm::vec3> enemies;
    for (const Building* building : computerPlayer->buildings) {
        if (building->visible) {
            enemies.push_back(building->tile.position);
        }
    }
    if (enemies.empty()) {
        enemies.push_back(glm::vec3(0.0f, 0.0f, -Game::planetRadius));
    }
    const std::vector<std::uint32_t> pending = humanFoundingTargets(game);
    const Tile* best = nullptr;
    float bestDistance = 0.0f;
    for (const std::uint32_t index : humanPlayer->territory->ownedTiles) {
        const Tile& tile = planet->tiles[index];
        if (tile.building || tile.type == 0 || std::find(pending.begin(), pending.end(), index) != pending.end()) {
            continue;
        }
        float distance = 1e30f;
        for (const glm::vec3& enemy : enemies) {
            distance = std::min(distance, glm::distance(enemy, tile.position));
        }
        if (!best || distance < bestDistance) {
            best = &tile;
            bestDistance = distance;
        }
    }
    return best;
}

// A click goes where the hover rules allow it; a tile they refuse is not
// clicked, as the player's mouse could not act on it either.
bool SelfPlay::clickOn(Game& game, std::uint32_t tileIndex, std::int32_t expectedCursor)
{
    Cursor::getInstance()->mode = Cursor::DEFAULT;
    game.applyHoverRules(tileIndex);
    if (game.getPlanet()->hoveredTile != static_cast<std::int32_t>(tileIndex) ||
        Cursor::getInstance()->mode != expectedCursor) {
        return false;
    }
    game.onMouseButtonReleased(GLFW_MOUSE_BUTTON_LEFT, glm::vec2(0.0f), 0);
    return true;
}

bool SelfPlay::select(Game& game, const MilitaryBuilding* tower)
{
    if (game.getPlanet()->selectedTile == static_cast<std::int32_t>(tower->tile.index)) {
        return true;
    }
    return clickOn(game, tower->tile.index, Cursor::SELECT) &&
           game.getPlanet()->selectedTile == static_cast<std::int32_t>(tower->tile.index);
}

} // namespace BV::testkit
