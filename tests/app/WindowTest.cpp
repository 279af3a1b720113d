// Listener dispatch through the callbacks the window registered with GLFW,
// on the binary's one real window.
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/Window.h"
#include "support/TestSupport.h"

namespace BV {
namespace {

// Records every call as text, into a journal shared by several recorders so
// the order across listeners is visible; `then` runs once, right after the
// next call is recorded.
class Recorder : public Window::KeyListener, public Window::MouseListener {
public:
    Recorder(std::string name, std::vector<std::string>& journal) : name(std::move(name)), journal(journal) {}
    void onKeyPressed(int key, int, int mods) override { add("press " + str(key) + "/" + str(mods)); }
    void onKeyReleased(int key, int, int) override { add("release " + str(key)); }
    void onKeyRepeated(int key, int, int) override { add("repeat " + str(key)); }
    void onMouseMoved(glm::vec2 p) override { add("move " + str(p.x) + "," + str(p.y)); }
    void onMouseButtonPressed(int button, glm::vec2, int) override { add("down " + str(button)); }
    void onMouseButtonReleased(int button, glm::vec2 p, int) override
    {
        add("up " + str(button) + " at " + str(p.x) + "," + str(p.y));
    }
    void onMouseScrolled(double offset) override { add("scroll " + std::to_string(offset)); }
    std::function<void()> then;

private:
    static std::string str(float v) { return std::to_string(static_cast<int>(v)); }
    void add(const std::string& what)
    {
        journal.push_back(name + ": " + what);
        if (const std::function<void()> once = std::exchange(then, nullptr)) {
            once();
        }
    }
    std::string name;
    std::vector<std::string>& journal;
};

// The callbacks exactly as the window registered them.
struct Callbacks {
    GLFWkeyfun key;
    GLFWmousebuttonfun button;
    GLFWscrollfun scroll;
    GLFWcursorposfun cursor;
};

Callbacks registeredCallbacks(GLFWwindow* window)
{
    // GLFW hands a callback out only in exchange for another: put each back.
    const Callbacks c{glfwSetKeyCallback(window, nullptr), glfwSetMouseButtonCallback(window, nullptr),
                      glfwSetScrollCallback(window, nullptr), glfwSetCursorPosCallback(window, nullptr)};
    glfwSetKeyCallback(window, c.key);
    glfwSetMouseButtonCallback(window, c.button);
    glfwSetScrollCallback(window, c.scroll);
    glfwSetCursorPosCallback(window, c.cursor);
    return c;
}

class WindowTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (Recorder* recorder : {&first, &second, &third}) {
            Window::getInstance()->removeMouseListener(recorder);
        }
    }

    std::vector<std::string> journal;
    Recorder first{"first", journal};
    Recorder second{"second", journal};
    Recorder third{"third", journal};
    GLFWwindow* handle = Window::getInstance()->getHandle();
    Callbacks callbacks = registeredCallbacks(handle);
};

TEST_F(WindowTest, MouseEventsReachListenersInRegistrationOrderWhoMayLeaveOrJoinInTheirOwnCall)
{
    Window* window = Window::getInstance();
    window->addMouseListener(&first);
    window->addMouseListener(&second);
    window->addMouseListener(&first); // ignored: already registered

    callbacks.cursor(handle, 12.7, 30.2);
    callbacks.scroll(handle, 3.0, 0.0); // horizontal only: delivered as 0
    callbacks.scroll(handle, 0.0, -1.0);
    callbacks.button(handle, GLFW_MOUSE_BUTTON_RIGHT, GLFW_PRESS, 0);
    callbacks.button(handle, GLFW_MOUSE_BUTTON_RIGHT, 7, 0); // unknown action: nothing

    const std::vector<std::string> expected = {
        "first: move 12,30",       "second: move 12,30",       "first: scroll 0.000000", "second: scroll 0.000000",
        "first: scroll -1.000000", "second: scroll -1.000000", "first: down 1",          "second: down 1",
    };
    EXPECT_EQ(journal, expected);

    // A release carries the cursor position, read once per event.
    journal.clear();
    glfwSetCursorPos(handle, 100.0, 50.0);
    double x = 0, y = 0;
    glfwGetCursorPos(handle, &x, &y);
    callbacks.button(handle, GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE, 0);
    const std::string at = " at " + std::to_string(int(x)) + "," + std::to_string(int(y));
    EXPECT_EQ(journal, (std::vector<std::string>{"first: up 0" + at, "second: up 0" + at}));

    // A removed listener hears nothing; removing an unknown one is harmless.
    journal.clear();
    window->removeMouseListener(&first);
    testkit::LogWatch watch;
    window->removeMouseListener(&first); // not registered any more
    callbacks.scroll(handle, 0.0, 2.0);
    EXPECT_EQ(journal, (std::vector<std::string>{"second: scroll 2.000000"}));
    EXPECT_TRUE(watch.lines().empty());

    // A listener may leave, make another leave or bring one in from inside
    // its own call: the rest of that event reaches exactly the listeners
    // still registered, and one brought in hears from the next event on.
    journal.clear();
    window->removeMouseListener(&second);
    window->addMouseListener(&first);
    window->addMouseListener(&second);
    first.then = [&] {
        window->removeMouseListener(&first);
        window->removeMouseListener(&second);
        window->addMouseListener(&third);
    };
    callbacks.scroll(handle, 0.0, 1.0);
    callbacks.cursor(handle, 4.0, 5.0);
    EXPECT_EQ(journal, (std::vector<std::string>{"first: scroll 1.000000", "third: move 4,5"}));
}

TEST(WindowKeyTest, KeyActionsReachEveryListenerInOrderAndASecondWindowIsRefused)
{
    static std::vector<std::string> journal; // key listeners stay registered for the whole binary
    static Recorder a{"a", journal};
    static Recorder b{"b", journal};
    GLFWwindow* handle = Window::getInstance()->getHandle();
    const Callbacks callbacks = registeredCallbacks(handle);

    Window::getInstance()->addKeyListener(&a);
    Window::getInstance()->addKeyListener(&b);
    Window::getInstance()->addKeyListener(&a);
    callbacks.key(handle, GLFW_KEY_W, 25, GLFW_PRESS, GLFW_MOD_SHIFT);
    callbacks.key(handle, GLFW_KEY_W, 25, GLFW_REPEAT, 0);
    callbacks.key(handle, GLFW_KEY_W, 25, GLFW_RELEASE, 0);
    callbacks.key(handle, GLFW_KEY_W, 25, 9, 0); // unknown action
    const std::vector<std::string> expected = {"a: press 87/1", "b: press 87/1", "a: repeat 87",
                                               "b: repeat 87",  "a: release 87", "b: release 87"};
    EXPECT_EQ(journal, expected);

    // A key listener that removes itself on a press hears nothing after it.
    std::vector<std::string> keys;
    Recorder leaver{"leaver", keys};
    leaver.then = [&] { Window::getInstance()->removeKeyListener(&leaver); };
    Window::getInstance()->addKeyListener(&leaver);
    callbacks.key(handle, GLFW_KEY_Q, 24, GLFW_PRESS, 0);
    callbacks.key(handle, GLFW_KEY_Q, 24, GLFW_RELEASE, 0);
    EXPECT_EQ(keys, std::vector<std::string>{"leaver: press 81/0"});

    // A second window is refused and the first kept, at its own size.
    testkit::LogWatch watch;
    EXPECT_FALSE(Window::getInstance()->create(320, 200, 0, 0, "again"));
    EXPECT_EQ(watch.criticalLines(),
              (std::vector<std::string>{"CRITICAL :Trying to create a second window-instance!"}));
    EXPECT_EQ(Window::getInstance()->getHandle(), handle);
    EXPECT_EQ(Window::getInstance()->getWidth(), 800);
}

} // namespace
} // namespace BV
