// Main of every test binary: gives the binary its own working directory (so
// each binary has its own "BVLog.log" even when CTest runs them side by
// side), then opens the one real OpenGL 3.3 core window that all its tests
// share, exactly as the game opens it.
#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/Log.h"
#include "app/Window.h"

namespace {

namespace fs = std::filesystem;

void enterWorkingDirectory(const char* argv0)
{
    const fs::path work = fs::path(BV_RUN_DIR).parent_path() / "test-work" / fs::path(argv0).filename();
    fs::create_directories(work);
    std::error_code exists; // a link left by an earlier run is fine
    fs::create_directory_symlink(fs::path(BV_RUN_DIR) / "resources", work / "resources", exists);
    fs::current_path(work);
}

void onGlfwError(int, const char* description)
{
    BV::Log::getInstance().write(std::string("GLFW-Error: ") + description, BV::CRITICAL);
}

bool openSharedWindow()
{
    if (!glfwInit()) {
        std::fprintf(stderr, "GLFW could not be initialised (is DISPLAY set? run under xvfb-run)\n");
        return false;
    }
    glfwSetErrorCallback(&onGlfwError);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_FORWARD_COMPAT, GLFW_TRUE);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    if (!BV::Window::getInstance()->create(800, 600, 0, 0, "Brevamoor tests")) {
        std::fprintf(stderr, "The shared test window could not be created\n");
        return false;
    }
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CCW);
    std::printf("GL renderer: %s, version %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
                reinterpret_cast<const char*>(glGetString(GL_VERSION)));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    enterWorkingDirectory(argv[0]);
    // The real game started by the process tests draws at full size too.
    setenv("BREVAMOOR_RENDER_SCALE", "1", 0);
    testing::InitGoogleTest(&argc, argv);
    return openSharedWindow() ? RUN_ALL_TESTS() : 1;
}
