#pragma once

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "app/Window.h"
#include "game/Game.h"
#include "game/Planet.h"
#include "game/Player.h"
#include "game/Territory.h"
#include "game/Tower.h"
#include "resources/ResourceManager.h"
#include "scene/Camera.h"
#include "scene/Scene.h"
#include "scene/SceneFixture.h"
#include "scene/Statistics.h"
#include "support/SelfPlay.h"
#include "support/TestSupport.h"

namespace BV::testkit {

// A real seeded game on the shared window and the fixture's exact clock.
class GameFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        now = 0.0;
        game = startGame(static_cast<std::uint16_t>(planetSize), seed, [this] { return now; }).release();
        planet = game->getPlanet();
    }
    void TearDown() override { delete game, game = nullptr; }
    void step(double dt) { glfwSetTime(now += dt), game->frame(); }

    // Frames of 0.1 s until no swarm is left; false if that never happens.
    bool flyUntilGone()
    {
        for (int i = 0; i < 300 && !game->getEntities().empty(); ++i) {
            step(0.1);
        }
        return game->getEntities().empty();
    }

    static Tower* towerOf(Player* player, std::size_t index = 0)
    {
        return dynamic_cast<Tower*>(player->buildings.at(index));
    }

    // An empty own tile this far from home; the test fails without one.
    Tile* emptyOwnTile(bool water = false, float minDistance = 0.0f, float maxDistance = 1e9f) const
    {
        const glm::vec3 home = towerOf(humanPlayer)->tile.position;
        for (std::uint32_t index : humanPlayer->territory->ownedTiles) {
            Tile& tile = planet->tiles[index];
            const float distance = glm::distance(tile.position, home);
            if (!tile.building && (tile.type == 0) == water && distance >= minDistance && distance <= maxDistance) {
                return &tile;
            }
        }
        throw std::runtime_error("no such empty tile of the human's");
    }

    // The scene alone at the last frame's clock, without a game update.
    std::vector<unsigned char> renderScene()
    {
        glfwSetTime(now);
        game->getScene()->update();
        game->getScene()->render();
        return scenetest::readWindow();
    }

    // Window pixels, from the top-left, of a point of the world.
    glm::vec2 toScreen(const glm::vec3& world) const { return scenetest::toWindow(*game->getCamera(), world); }

    int planetSize = 3;     // a subclass may change it before SetUp
    std::uint32_t seed = 1; // terrain and every later roll follow from it, never from the clock
    Game* game = nullptr;
    Planet* planet = nullptr;
    double now = 0.0;
};

} // namespace BV::testkit
