#include "support/SelfPlay.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <unordered_map>
#include <vector>

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
#include "scene/Statistics.h"
#include "support/TestSupport.h"

namespace BV::testkit {

std::unique_ptr<Game> startGame(std::uint16_t planetSize, std::uint32_t seed, std::function<double()> clock)
{
    configureGame(planetSize);
    Window* window = Window::getInstance();
    if (!ResourceManager::getInstance()->getLoader("vert")) {
        registerLoaders();
        Drawing::getInstance()->init(static_cast<std::uint32_t>(window->getWidth()),
                                     static_cast<std::uint32_t>(window->getHeight()));
    }
    Statistics::getInstance()->gameEnded = false;
    glfwSetWindowShouldClose(window->getHandle(), GLFW_FALSE);
    auto game = std::make_unique<Game>(window, seed);
    game->getRenderScale().fix(1.0); // whatever this machine's speed
    game->setClock(std::move(clock));
    while (glGetError() != GL_NO_ERROR) {
    }
    return game;
}

namespace {

// The weakest enemy tower in reach, when half the garrison should clearly
// beat it: each unit fights until it loses once.
MilitaryBuilding* chooseTarget(const MilitaryBuilding* attacker, float reach)
{
    MilitaryBuilding* weakest = nullptr;
    for (Building* building : computerPlayer->buildings) {
        auto* candidate = dynamic_cast<MilitaryBuilding*>(building);
        if (candidate && candidate->visible && !candidate->isUnderConstruction() &&
            glm::distance(candidate->tile.position, attacker->tile.position) <= reach &&
            (!weakest || candidate->units < weakest->units)) {
            weakest = candidate;
        }
    }
    const std::uint32_t odds = weakest ? matchup(attacker->tileType, weakest->tileType) : 100;
    const double wins = (std::max(0.0, odds - 100.0) + std::min(odds, 100u) * 0.495) / odds;
    return weakest && attacker->units / 2 * wins / (1.0 - wins) > 1.2 * weakest->units + 5.0 ? weakest : nullptr;
}

// A free dry own tile nearest the computer's start.
const Tile* chooseSite(const Game& game)
{
    const glm::vec3 pole(0.0f, 0.0f, -Game::planetRadius);
    const Tile* best = nullptr;
    for (const std::uint32_t index : humanPlayer->territory->ownedTiles) {
        const Tile& tile = game.getPlanet()->tiles[index];
        const auto flownTo = [index](const Entity* entity) {
            const auto* founding = dynamic_cast<const BuildingSwarm*>(entity);
            return founding && !founding->isFinished() && founding->getOwner() == humanPlayer &&
                   founding->getTargetTile()->index == index;
        };
        if (!tile.building && tile.type != 0 &&
            !std::any_of(game.getEntities().begin(), game.getEntities().end(), flownTo) &&
            (!best || glm::distance(pole, tile.position) < glm::distance(pole, best->position))) {
            best = &tile;
        }
    }
    return best;
}

// Only where the hover rules allow it, as for the player's mouse.
bool clickOn(Game& game, std::uint32_t tileIndex, std::int32_t expectedCursor)
{
    Cursor::getInstance()->mode = Cursor::DEFAULT;
    game.applyHoverRules(tileIndex);
    const bool allowed = game.getPlanet()->hoveredTile == static_cast<std::int32_t>(tileIndex) &&
                         Cursor::getInstance()->mode == expectedCursor;
    if (allowed) {
        game.onMouseButtonReleased(GLFW_MOUSE_BUTTON_LEFT, glm::vec2(0.0f), 0);
    }
    return allowed;
}

void playHuman(Game& game, float reach)
{
    const std::int32_t& selected = game.getPlanet()->selectedTile;
    const std::vector<Building*> towers = humanPlayer->buildings; // clicks may change the list
    for (Building* building : towers) {
        auto* tower = dynamic_cast<MilitaryBuilding*>(building);
        if (!tower || tower->owner != humanPlayer || tower->isUnderConstruction()) {
            continue;
        }
        const MilitaryBuilding* target = chooseTarget(tower, reach);
        const Tile* site = target || !tower->isFull() ? nullptr : chooseSite(game);
        const auto home = static_cast<std::int32_t>(tower->tile.index);
        if ((target || site) &&
            (selected == home || (clickOn(game, tower->tile.index, Cursor::SELECT) && selected == home))) {
            clickOn(game, target ? target->tile.index : site->index, target ? Cursor::ATTACK : Cursor::BUILD);
        }
    }
}

} // namespace

SelfPlayResult SelfPlay::run() const
{
    SelfPlayResult result;
    const auto started = std::chrono::steady_clock::now();
    // The GLFW clock follows the game's for anything else that reads the time.
    double now = 0.0;
    const std::unique_ptr<Game> game = startGame(settings.planetSize, settings.seed, [&now] { return now; });
    // The script attacks within about seven tiles' widths.
    const auto tiles = static_cast<float>(game->getPlanet()->tiles.size());
    const float reach = 7.0f * std::sqrt(4.0f * 3.14159265f * Game::planetRadius * Game::planetRadius / tiles);
    // Whether each swarm had finished: its address may come back as a new one.
    std::unordered_map<const Entity*, bool> seenSwarms;
    std::size_t seenBuildings = 2;
    std::uint64_t pausedFrames = 0;
    double policyTimer = 0.0;
    while (!game->isWon() && !game->isLost() && result.simulatedSeconds < settings.capSeconds) {
        const bool pausing =
            settings.pauseAfter != 0 && result.frames == settings.pauseAfter && pausedFrames < settings.pauseFrames;
        game->setPaused(pausing);
        now = static_cast<double>(result.frames + pausedFrames + 1) * settings.step;
        glfwSetTime(now);
        game->frame(result.frames % static_cast<std::uint64_t>(std::max(1, settings.drawEvery)) == 0);
        if (pausing) {
            ++pausedFrames;
            continue;
        }
        result.simulatedSeconds = static_cast<double>(++result.frames) * settings.step;
        for (const std::vector<Building*>& all = game->getBuildings(); seenBuildings < all.size(); ++seenBuildings) {
            ++result.towersFounded[all[seenBuildings]->owner == humanPlayer ? 0 : 1];
        }
        std::unordered_map<const Entity*, bool> swarms;
        for (const Entity* entity : game->getEntities()) {
            const auto* attack = dynamic_cast<const AttackingSwarm*>(entity);
            const auto seen = seenSwarms.find(entity);
            result.attacks[attack && attack->getOwner() != humanPlayer] +=
                attack && (seen == seenSwarms.end() || seen->second);
            swarms[entity] = static_cast<const Swarm*>(entity)->isFinished();
        }
        seenSwarms.swap(swarms);
        if (result.firstKnownAt < 0.0 && !NPC::getInstance()->knownEnemies.empty()) {
            result.firstKnownAt = result.simulatedSeconds;
        }
        if (const std::string broken = game->brokenRule(); !broken.empty()) {
            result.violation =
                "frame " + std::to_string(result.frames) + ", seed " + std::to_string(settings.seed) + ": " + broken;
            break;
        }
        if ((policyTimer += settings.step) >= 1.0 && !game->isWon() && !game->isLost()) {
            policyTimer = 0.0;
            playHuman(*game, reach);
        }
    }
    result.humanWon = game->isWon();
    result.computerWon = game->isLost();
    result.stateHash = game->stateHash(result.frames);
    result.realSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return result;
}

} // namespace BV::testkit
