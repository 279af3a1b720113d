#pragma once

// The window of a program that plays the game outside the tests (a
// benchmark, the self-play report, a screenshot). Header-only, as every .cpp
// file in this folder is a program of its own.

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <cstdint>
#include <cstdio>

#include "app/Window.h"
#include "resources/Loaders.h"
#include "scene/Drawing.h"
#include "support/TestSupport.h" // configureGame

namespace BV::testkit {

// An OpenGL 3.3 core window without vertical sync, the resource loaders and
// the overlay drawing. False, with a line on stderr, where no window can be
// opened.
inline bool openProgramWindow(int width, int height, const char* title)
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
