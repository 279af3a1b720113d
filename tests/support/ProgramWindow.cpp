#include "support/ProgramWindow.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <cstdio>
#include <fstream>

#include "app/ConfigFile.h"
#include "app/Window.h"
#include "resources/Loaders.h"
#include "scene/Drawing.h"

namespace BV::testkit {

void configureGame(std::uint16_t planetSize, unsigned width, unsigned height)
{
    delete ConfigFile::getInstance();
    std::rename("Brevamoor.config", "Brevamoor.config.keep");
    std::ofstream("Brevamoor.config") << "resolution_x = " << width << "\nresolution_y = " << height
                                      << "\nfullscreen = 0\nrefresh_rate = 0\nplanet_size = " << planetSize << "\n";
    ConfigFile::getInstance()->load();
    std::remove("Brevamoor.config");
    std::rename("Brevamoor.config.keep", "Brevamoor.config");
}

bool openProgramWindow(int width, int height, const char* title)
{
    if (!glfwInit()) {
        std::fprintf(stderr, "no display\n");
        return false;
    }
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_FORWARD_COMPAT, GLFW_TRUE);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    if (!Window::getInstance()->create(width, height, 0, 0, title)) {
        return false;
    }
    registerLoaders();
    Drawing::getInstance()->init(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height));
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CCW);
    glfwSwapInterval(0);
    return true;
}

} // namespace BV::testkit
