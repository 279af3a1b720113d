#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include "app/ConfigFile.h"
#include "app/Log.h"
#include "app/Window.h"
#include "game/Game.h"
#include "resources/Loaders.h"
#include "resources/ResourceManager.h"
#include "scene/Drawing.h"

namespace {

void onGlfwError(int, const char* description)
{
    BV::Log::getInstance().write(std::string("GLFW-Error: ") + description, BV::CRITICAL);
}

} // namespace

// The exit status is 1 on every path, a normal close included.
int main()
{
    BV::Log::getInstance().write("Starting Brevamoor", BV::TRACE);
    if (!glfwInit()) {
        BV::Log::getInstance().write("Failed to initialize GLFW!", BV::CRITICAL);
        return 1;
    }
    glfwSetErrorCallback(&onGlfwError);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_FORWARD_COMPAT, GLFW_TRUE);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);

    BV::ConfigFile* config = BV::ConfigFile::getInstance();
    config->load();
    // The order decides which missing key is reported first.
    const auto refreshRate = config->getValue<unsigned short>("refresh_rate");
    const auto fullscreen = config->getValue<unsigned short>("fullscreen");
    const auto resolutionY = config->getValue<unsigned int>("resolution_y");
    const auto resolutionX = config->getValue<unsigned int>("resolution_x");

    BV::Window* window = BV::Window::getInstance();
    if (!window->create(resolutionX, resolutionY, fullscreen, refreshRate, "Brevamoor")) {
        BV::Log::getInstance().write("Failed to create Window!", BV::CRITICAL);
        glfwTerminate();
        return 1;
    }

    // Frames keep pace with the display where the driver offers it, so a
    // fast GPU does not draw thousands of frames a second.
    glfwSwapInterval(1);

    BV::registerLoaders();
    BV::Drawing::getInstance()->init(static_cast<std::uint32_t>(window->getWidth()),
                                     static_cast<std::uint32_t>(window->getHeight()));

    {
        BV::Game game(window);
        glEnable(GL_CULL_FACE);
        glFrontFace(GL_CCW);

        while (!glfwWindowShouldClose(window->getHandle())) {
            game.frame();
        }

        // The resources go first (the context is still current); the game
        // follows as it leaves this scope.
        BV::ResourceManager::getInstance()->disposeAll();
    }
    return 1;
}
