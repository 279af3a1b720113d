#pragma once

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <string>

#include "app/ConfigFile.h"
#include "app/Window.h"
#include "game/Game.h"
#include "resources/Loaders.h"
#include "resources/ResourceManager.h"
#include "scene/Drawing.h"
#include "scene/Statistics.h"
#include "support/TestSupport.h"

namespace BV::testkit {

// Reads a fresh "Brevamoor.config" with the given planet size into the
// configuration, as the game reads it at start.
inline void configurePlanetSize(int planetSize)
{
    delete ConfigFile::getInstance();
    writeFile("Brevamoor.config", "resolution_x = 800\nresolution_y = 600\nfullscreen = 0\nrefresh_rate = 0\n"
                                  "planet_size = " +
                                      std::to_string(planetSize) + "\n");
    ConfigFile::getInstance()->load();
}

// A real game on the binary's shared window, with time driven by glfwSetTime
// so that every frame's dt is exact.
class GameFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        configurePlanetSize(planetSize());
        if (!ResourceManager::getInstance()->getLoader("vert")) {
            registerLoaders();
            Window* window = Window::getInstance();
            Drawing::getInstance()->init(static_cast<std::uint32_t>(window->getWidth()),
                                         static_cast<std::uint32_t>(window->getHeight()));
        }
        Statistics::getInstance()->gameEnded = false;
        glfwSetWindowShouldClose(Window::getInstance()->getHandle(), GLFW_FALSE);
        game = new Game(Window::getInstance());
        now = game->getLastTime();
    }

    void TearDown() override
    {
        delete game;
        game = nullptr;
        Statistics::getInstance()->gameEnded = false;
    }

    virtual int planetSize() const { return 3; }

    // One frame that lasts dt seconds (plus the microseconds between setting
    // the clock and the frame reading it).
    void step(double dt)
    {
        now += dt;
        glfwSetTime(now);
        game->frame();
    }

    Game* game = nullptr;
    double now = 0.0;
};

} // namespace BV::testkit
