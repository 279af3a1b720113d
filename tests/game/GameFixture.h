#pragma once

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ConfigFile.h"
#include "app/Window.h"
#include "game/Game.h"
#include "game/Planet.h"
#include "game/Player.h"
#include "game/Territory.h"
#include "game/Tower.h"
#include "resources/Loaders.h"
#include "resources/ResourceManager.h"
#include "scene/Camera.h"
#include "scene/Drawing.h"
#include "scene/Scene.h"
#include "scene/SceneFixture.h"
#include "scene/Statistics.h"
#include "support/TestSupport.h"

namespace BV::testkit {

// A real seeded game on the binary's shared window, read from a fresh
// "Brevamoor.config" as at start, with time driven by glfwSetTime so that
// every frame's dt is exact.
class GameFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        delete ConfigFile::getInstance();
        writeFile("Brevamoor.config", "resolution_x = 800\nresolution_y = 600\nfullscreen = 0\nrefresh_rate = 0\n" +
                                          ("planet_size = " + std::to_string(planetSize) + "\n"));
        ConfigFile::getInstance()->load();
        if (!ResourceManager::getInstance()->getLoader("vert")) {
            registerLoaders();
            Window* window = Window::getInstance();
            Drawing::getInstance()->init(static_cast<std::uint32_t>(window->getWidth()),
                                         static_cast<std::uint32_t>(window->getHeight()));
        }
        Statistics::getInstance()->gameEnded = false;
        glfwSetWindowShouldClose(Window::getInstance()->getHandle(), GLFW_FALSE);
        game = new Game(Window::getInstance(), seed);
        // Every picture at the window's full size, whatever this machine's speed.
        game->getRenderScale().fix(1.0);
        // The game reads the fixture's clock: every step is an exact dt.
        now = 0.0;
        game->setClock([this] { return now; });
        planet = game->getPlanet();
    }

    void TearDown() override
    {
        delete game;
        game = nullptr;
    }

    // One frame that lasts exactly dt seconds.
    void step(double dt)
    {
        now += dt;
        glfwSetTime(now);
        game->frame();
    }

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

    // An empty tile of the human's land, water or not, between the given
    // distances from the human's first tower.
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
        return nullptr;
    }

    // The scene alone, without a game update, at the last frame's clock:
    // renders that differ only in what is shown.
    std::vector<unsigned char> renderScene()
    {
        glfwSetTime(now);
        game->getScene()->update();
        game->getScene()->render();
        return scenetest::readWindow();
    }

    // Window pixels, from the top-left corner, of a point of the world.
    glm::vec2 toScreen(const glm::vec3& world) const { return scenetest::toWindow(*game->getCamera(), world); }

    // The configured "planet_size"; a subclass may change it before SetUp.
    int planetSize = 3;
    // Terrain and every later roll follow from it, never from the clock.
    std::uint32_t seed = 1;
    Game* game = nullptr;
    Planet* planet = nullptr;
    double now = 0.0;
};

} // namespace BV::testkit
