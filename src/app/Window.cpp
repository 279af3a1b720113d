#include "app/Window.h"

#include <algorithm>
#include <array>
#include <climits>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include "app/Log.h"

namespace BV {

namespace {
constexpr unsigned int maxWindowSide = 16384;

// A software renderer gathers every frame's triangles in blocks it allocates
// and frees again frame after frame, tens of megabytes at a big planet. The
// C library may hand large freed blocks back to the system, and the next
// frame then faults every page in again: on a virtual machine that costs as
// much as drawing the planet (some runs of a size-9 start re-faulted 39 MB a
// frame and took 1.6 times as long). Freed memory stays with the process
// instead, blocks of up to 32 MB coming from the reusable heap (which no
// longer shrinks either). Set before the context exists, so that it holds
// from the renderer's first allocation on.
void keepFreedMemoryForTheNextFrame()
{
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, INT_MAX);
#endif
}
} // namespace

void Window::KeyListener::onKeyPressed(int, int, int) {}
void Window::KeyListener::onKeyReleased(int, int, int) {}
void Window::KeyListener::onKeyRepeated(int, int, int) {}
void Window::MouseListener::onMouseMoved(glm::vec2) {}
void Window::MouseListener::onMouseButtonPressed(int, glm::vec2, int) {}
void Window::MouseListener::onMouseButtonReleased(int, glm::vec2, int) {}
void Window::MouseListener::onMouseScrolled(double) {}

Window::~Window()
{
    if (window) {
        glfwDestroyWindow(window);
    }
    keyListeners.clear();
    mouseListeners.clear();
}

bool Window::create(unsigned int width, unsigned int height, unsigned short fullscreen, unsigned short refreshRate,
                    const std::string& title)
{
    if (window) {
        Log::getInstance().write("Trying to create a second window-instance!", CRITICAL);
        return false;
    }
    GLFWmonitor* monitor = glfwGetPrimaryMonitor();
    const GLFWvidmode* mode = monitor ? glfwGetVideoMode(monitor) : nullptr;
    // Without a monitor (or its mode) a 0 size cannot be resolved; GLFW then
    // refuses the 0 size itself and reports why through its error callback.
    const unsigned int wantedWidth = width != 0 || !mode ? width : static_cast<unsigned int>(mode->width);
    const unsigned int wantedHeight = height != 0 || !mode ? height : static_cast<unsigned int>(mode->height);
    // Past this size no GL context can give the frame its off-screen target;
    // a typo of one digit too many must not ask the X server for a window
    // of billions of pixels.
    if (wantedWidth > maxWindowSide || wantedHeight > maxWindowSide) {
        Log::getInstance().write("Failed to create Window: " + std::to_string(wantedWidth) + " x " +
                                     std::to_string(wantedHeight) + " is larger than " + std::to_string(maxWindowSide) +
                                     " pixels on a side.",
                                 CRITICAL);
        return false;
    }
    this->width = static_cast<int>(wantedWidth);
    this->height = static_cast<int>(wantedHeight);
    if (refreshRate != 0) {
        glfwWindowHint(GLFW_REFRESH_RATE, refreshRate);
    }
    keepFreedMemoryForTheNextFrame();
    window = glfwCreateWindow(this->width, this->height, title.c_str(), fullscreen != 0 ? monitor : nullptr, nullptr);
    if (!window) {
        return false;
    }
    // Where the window goes back to when it leaves full screen: the
    // configured size, or, when that is the whole monitor, most of it.
    windowedWidth = this->width;
    windowedHeight = this->height;
    if (fullscreen != 0 && mode && windowedWidth >= mode->width && windowedHeight >= mode->height) {
        windowedWidth = mode->width * 3 / 4;
        windowedHeight = mode->height * 3 / 4;
    }
    if (mode) {
        windowedX = (mode->width - windowedWidth) / 2;
        windowedY = (mode->height - windowedHeight) / 2;
    }
    glfwGetFramebufferSize(window, &this->width, &this->height);
    glfwMakeContextCurrent(window);
    glDepthFunc(GL_LEQUAL);
    glfwSetKeyCallback(window, &Window::onKey);
    glfwSetMouseButtonCallback(window, &Window::onMouseButton);
    glfwSetScrollCallback(window, &Window::onScroll);
    glfwSetCursorPosCallback(window, &Window::onCursorPosition);
    glfwSetFramebufferSizeCallback(window, &Window::onFramebufferSize);
    glfwSetWindowIconifyCallback(window, &Window::onIconify);
    glewExperimental = GL_TRUE;
    glViewport(0, 0, this->width, this->height);
    const GLenum result = glewInit();
    if (result != GLEW_OK) {
        Log::getInstance().write(std::string("Failed to initialize GLEW: ") +
                                     reinterpret_cast<const char*>(glewGetErrorString(result)),
                                 CRITICAL);
        glfwTerminate();
        return false;
    }
    glfwSetInputMode(window, GLFW_CURSOR, GLFW_CURSOR_HIDDEN);
    return true;
}

glm::vec2 Window::getCursorPosition() const
{
    double x = 0.0;
    double y = 0.0;
    int screenWidth = 0;
    int screenHeight = 0;
    glfwGetCursorPos(window, &x, &y);
    glfwGetWindowSize(window, &screenWidth, &screenHeight);
    if (screenWidth > 0 && screenHeight > 0) {
        x *= static_cast<double>(width) / screenWidth;
        y *= static_cast<double>(height) / screenHeight;
    }
    return {static_cast<float>(x), static_cast<float>(y)};
}

bool Window::isCursorInside() const
{
    return window && glfwGetWindowAttrib(window, GLFW_HOVERED) == GLFW_TRUE;
}

bool Window::isFullscreen() const
{
    return window && glfwGetWindowMonitor(window) != nullptr;
}

void Window::setFullscreen(bool fullscreen)
{
    if (!window || fullscreen == isFullscreen()) {
        return;
    }
    if (!fullscreen) {
        glfwSetWindowMonitor(window, nullptr, windowedX, windowedY, windowedWidth, windowedHeight, GLFW_DONT_CARE);
        return;
    }
    GLFWmonitor* monitor = currentMonitor();
    const GLFWvidmode* mode = monitor ? glfwGetVideoMode(monitor) : nullptr;
    if (!mode) {
        return; // GLFW has reported why through its error callback
    }
    glfwGetWindowPos(window, &windowedX, &windowedY);
    glfwGetWindowSize(window, &windowedWidth, &windowedHeight);
    glfwSetWindowMonitor(window, monitor, 0, 0, mode->width, mode->height, mode->refreshRate);
}

GLFWmonitor* Window::currentMonitor() const
{
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    glfwGetWindowPos(window, &x, &y);
    glfwGetWindowSize(window, &w, &h);
    int count = 0;
    GLFWmonitor** monitors = glfwGetMonitors(&count);
    GLFWmonitor* best = glfwGetPrimaryMonitor();
    long bestArea = 0;
    for (int i = 0; i < count; ++i) {
        const GLFWvidmode* mode = glfwGetVideoMode(monitors[i]);
        int mx = 0;
        int my = 0;
        glfwGetMonitorPos(monitors[i], &mx, &my);
        if (!mode) {
            continue;
        }
        const long overlapX = std::max(0, std::min(x + w, mx + mode->width) - std::max(x, mx));
        const long overlapY = std::max(0, std::min(y + h, my + mode->height) - std::max(y, my));
        if (overlapX * overlapY > bestArea) {
            bestArea = overlapX * overlapY;
            best = monitors[i];
        }
    }
    return best;
}

void Window::addKeyListener(KeyListener* listener)
{
    if (std::find(keyListeners.begin(), keyListeners.end(), listener) != keyListeners.end()) {
        Log::getInstance().write("Trying to add a KeyListener a second time.", INFO);
        return;
    }
    keyListeners.push_back(listener);
}

void Window::addMouseListener(MouseListener* listener)
{
    if (std::find(mouseListeners.begin(), mouseListeners.end(), listener) != mouseListeners.end()) {
        Log::getInstance().write("Trying to add a MouseListener a second time.", INFO);
        return;
    }
    mouseListeners.push_back(listener);
}

void Window::removeMouseListener(MouseListener* listener)
{
    if (std::find(mouseListeners.begin(), mouseListeners.end(), listener) == mouseListeners.end()) {
        Log::getInstance().write("Trying to remove a MouseListener that does not exist.", TRACE);
        return;
    }
    mouseListeners.remove(listener);
}

void Window::removeKeyListener(KeyListener* listener)
{
    keyListeners.remove(listener);
}

// ---- GLFW callbacks: all arrive inside glfwPollEvents on the main thread ----

namespace {

// Calls `call` for every listener registered when the event arrived, in
// registration order. A listener may add or remove listeners (itself too)
// from inside its call: the walk goes over a copy, and a listener removed
// meanwhile is skipped, since it may already be gone. One added meanwhile
// hears from the next event on.
template <typename Listener, typename Call> void dispatch(const std::list<Listener*>& listeners, Call call)
{
    // Only a few listeners ever register (the game and its camera), so the
    // copy usually lives on the stack: mouse moves arrive every frame.
    constexpr std::size_t inlineCount = 8;
    std::array<Listener*, inlineCount> inlineCopy{};
    std::vector<Listener*> heapCopy;
    Listener** snapshot = inlineCopy.data();
    const std::size_t count = listeners.size();
    if (count > inlineCount) {
        heapCopy.assign(listeners.begin(), listeners.end());
        snapshot = heapCopy.data();
    } else {
        std::copy(listeners.begin(), listeners.end(), inlineCopy.begin());
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (std::find(listeners.begin(), listeners.end(), snapshot[i]) != listeners.end()) {
            call(snapshot[i]);
        }
    }
}

} // namespace

void Window::onKey(GLFWwindow*, int key, int scancode, int action, int mods)
{
    if (action != GLFW_PRESS && action != GLFW_RELEASE && action != GLFW_REPEAT) {
        return;
    }
    dispatch(getInstance()->keyListeners, [&](KeyListener* listener) {
        switch (action) {
        case GLFW_PRESS: listener->onKeyPressed(key, scancode, mods); break;
        case GLFW_RELEASE: listener->onKeyReleased(key, scancode, mods); break;
        default: listener->onKeyRepeated(key, scancode, mods); break;
        }
    });
}

void Window::onMouseButton(GLFWwindow* window, int button, int action, int mods)
{
    if (action != GLFW_PRESS && action != GLFW_RELEASE) {
        return;
    }
    double x = 0.0;
    double y = 0.0;
    glfwGetCursorPos(window, &x, &y);
    const glm::vec2 position(static_cast<float>(x), static_cast<float>(y));
    dispatch(getInstance()->mouseListeners, [&](MouseListener* listener) {
        if (action == GLFW_PRESS) {
            listener->onMouseButtonPressed(button, position, mods);
        } else {
            listener->onMouseButtonReleased(button, position, mods);
        }
    });
}

void Window::onScroll(GLFWwindow*, double, double yoffset)
{
    dispatch(getInstance()->mouseListeners, [&](MouseListener* listener) { listener->onMouseScrolled(yoffset); });
}

void Window::onCursorPosition(GLFWwindow*, double x, double y)
{
    const glm::vec2 position(static_cast<float>(x), static_cast<float>(y));
    dispatch(getInstance()->mouseListeners, [&](MouseListener* listener) { listener->onMouseMoved(position); });
}

void Window::onFramebufferSize(GLFWwindow*, int width, int height)
{
    Window* self = getInstance();
    self->width = width;
    self->height = height;
}

void Window::onIconify(GLFWwindow*, int iconified)
{
    getInstance()->iconified = iconified == GLFW_TRUE;
}

} // namespace BV
