#pragma once

#include <list>
#include <string>

#include <glm/vec2.hpp>

#include "app/Singleton.h"

struct GLFWmonitor;
struct GLFWwindow;

namespace BV {

// The one game window with its OpenGL 3.3 core context. GLFW's keyboard and
// mouse callbacks are turned into calls on the registered listeners, in the
// order they registered. A listener may add or remove listeners, itself
// included, from inside its own call.
class Window : public Singleton<Window> {
public:
    // Listeners are owned by whoever registers them. Neither interface is
    // deleted through its pointer, so neither needs a virtual destructor.
    class KeyListener {
    public:
        virtual void onKeyPressed(int key, int scancode, int mods);
        virtual void onKeyReleased(int key, int scancode, int mods);
        virtual void onKeyRepeated(int key, int scancode, int mods);

    protected:
        ~KeyListener() = default;
    };

    // Positions are window pixels from the top-left corner of the client area.
    class MouseListener {
    public:
        virtual void onMouseMoved(glm::vec2 position);
        virtual void onMouseButtonPressed(int button, glm::vec2 position, int mods);
        virtual void onMouseButtonReleased(int button, glm::vec2 position, int mods);
        virtual void onMouseScrolled(double offset);

    protected:
        ~MouseListener() = default;
    };

    ~Window() override;

    // Opens the window (0 for width or height takes the primary monitor's
    // current size), makes its context current and initialises GLEW.
    bool create(unsigned int width, unsigned int height, unsigned short fullscreen, unsigned short refreshRate,
                const std::string& title);

    void addKeyListener(KeyListener* listener);
    void addMouseListener(MouseListener* listener);
    void removeMouseListener(MouseListener* listener);
    // For listeners that die before the window (a game torn down while the
    // window stays open): after this no event reaches them.
    void removeKeyListener(KeyListener* listener);

    GLFWwindow* getHandle() const { return window; }
    // The framebuffer's current size in pixels: it follows every resize,
    // maximise and restore, and is 0 x 0 while the window is minimised.
    int getWidth() const { return width; }
    int getHeight() const { return height; }
    // True while the window is minimised (then nothing can be seen).
    bool isIconified() const { return iconified; }
    // True while the pointer is over the client area (asked of the window
    // system each time: warps and resizes move the pointer without a word).
    bool isCursorInside() const;
    // The pointer in framebuffer pixels from the top-left corner (window
    // coordinates scaled where the framebuffer has more pixels than the
    // window has screen units).
    glm::vec2 getCursorPosition() const;

    bool isFullscreen() const;
    // Full screen on the monitor the window mostly lies on, at that
    // monitor's current video mode; back to the window's last place and
    // size. The new size arrives with the next events.
    void setFullscreen(bool fullscreen);

private:
    friend class Singleton<Window>;
    Window() = default;

    static void onKey(GLFWwindow* window, int key, int scancode, int action, int mods);
    static void onMouseButton(GLFWwindow* window, int button, int action, int mods);
    static void onScroll(GLFWwindow* window, double xoffset, double yoffset);
    static void onCursorPosition(GLFWwindow* window, double x, double y);
    static void onFramebufferSize(GLFWwindow* window, int width, int height);
    static void onIconify(GLFWwindow* window, int iconified);
    // The monitor that holds most of the window's area; the primary one
    // when it overlaps none.
    GLFWmonitor* currentMonitor() const;

    std::list<KeyListener*> keyListeners;
    std::list<MouseListener*> mouseListeners;
    GLFWwindow* window = nullptr;
    int width = 0;
    int height = 0;
    bool iconified = false;
    // Where the window stood before it went full screen (screen units).
    int windowedX = 0;
    int windowedY = 0;
    int windowedWidth = 0;
    int windowedHeight = 0;
};

} // namespace BV
