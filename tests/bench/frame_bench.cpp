// Prints the cost of whole game frames (update, shadow pass, five passes,
// overlays) at each playable planet size, on whatever OpenGL the display
// offers. Run from the build's run directory, under X (xvfb-run works):
//   cd build/run && xvfb-run -a ../tests/bench_frame_bench

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "app/ConfigFile.h"
#include "app/Window.h"
#include "game/Game.h"
#include "resources/Loaders.h"
#include "scene/Drawing.h"

using namespace BV;

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void configure(int planetSize)
{
    delete ConfigFile::getInstance();
    // The configuration is always read from "Brevamoor.config"; keep the
    // player's own file and put it back afterwards.
    std::rename("Brevamoor.config", "Brevamoor.config.keep");
    std::ofstream("Brevamoor.config") << "resolution_x = 1280\nresolution_y = 720\nfullscreen = 0\n"
                                         "refresh_rate = 0\nplanet_size = "
                                      << planetSize << "\n";
    ConfigFile::getInstance()->load();
    std::rename("Brevamoor.config.keep", "Brevamoor.config");
}

bool openWindow()
{
    if (!glfwInit()) {
        std::fprintf(stderr, "no display\n");
        return false;
    }
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_FORWARD_COMPAT, GLFW_TRUE);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    if (!Window::getInstance()->create(1280, 720, 0, 0, "Brevamoor frame benchmark")) {
        return false;
    }
    registerLoaders();
    Drawing::getInstance()->init(1280, 720);
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CCW);
    glfwSwapInterval(0);
    return true;
}

} // namespace

int main()
{
    if (!openWindow()) {
        return 1;
    }
    std::printf("renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    std::printf("%5s %12s %14s %14s\n", "size", "start ms", "frame ms", "frames/s");
    const int frames = 60;
    for (int size = 3; size <= 6; ++size) {
        configure(size);
        const Clock::time_point built = Clock::now();
        Game* game = new Game(Window::getInstance());
        game->frame(); // the first frame builds the planet's drawing
        const double startMs = millisecondsSince(built);
        const Clock::time_point start = Clock::now();
        for (int i = 0; i < frames; ++i) {
            game->frame();
        }
        glFinish();
        const double frameMs = millisecondsSince(start) / frames;
        std::printf("%5d %12.1f %14.2f %14.1f\n", size, startMs, frameMs, 1000.0 / frameMs);
        delete game;
    }
    return 0;
}
