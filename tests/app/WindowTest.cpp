// Listener dispatch through the callbacks the one real window gave GLFW.
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

// Journals every call, shared across recorders to show their order; `then`
// runs once, right after the next call.
class Recorder : public Window::KeyListener, public Window::MouseListener {
public:
    Recorder(std::string name, std::vector<std::string>& journal) : name(std::move(name)), journal(journal) {}
    void onKeyPressed(int key, int, int mods) override { add("press " + str(key) + "/" + str(mods)); }
    void onKeyReleased(int key, int, int) override { add("release " + str(key)); }
    void onKeyRepeated(int key, int, int) override { add("repeat " + str(key)); }
    void onMouseMoved(glm::vec2 p) override { add("move " + at(p)); }
    void onMouseButtonPressed(int button, glm::vec2, int) override { add("down " + str(button)); }
    void onMouseButtonReleased(int button, glm::vec2 p, int) override { add("up " + str(button) + " at " + at(p)); }
    void onMouseScrolled(double offset) override { add("scroll " + std::to_string(offset)); }
    std::function<void()> then;

private:
    static std::string str(float v) { return std::to_string(static_cast<int>(v)); }
    static std::string at(glm::vec2 p) { return str(p.x) + "," + str(p.y); }
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

// Three recorders and the callbacks exactly as the window registered them.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // GLFW hands a callback out only in exchange for another: put each back.
        glfwSetKeyCallback(handle, key = glfwSetKeyCallback(handle, nullptr));
        glfwSetMouseButtonCallback(handle, button = glfwSetMouseButtonCallback(handle, nullptr));
        glfwSetScrollCallback(handle, scroll = glfwSetScrollCallback(handle, nullptr));
        glfwSetCursorPosCallback(handle, cursor = glfwSetCursorPosCallback(handle, nullptr));
    }

    void TearDown() override
    {
        for (Recorder* recorder : {&first, &second, &third}) {
            window->removeMouseListener(recorder);
            window->removeKeyListener(recorder);
        }
    }

    std::vector<std::string> journal;
    Recorder first{"first", journal}, second{"second", journal}, third{"third", journal};
    Window* window = Window::getInstance();
    GLFWwindow* handle = window->getHandle();
    GLFWkeyfun key = nullptr;
    GLFWmousebuttonfun button = nullptr;
    GLFWscrollfun scroll = nullptr;
    GLFWcursorposfun cursor = nullptr;
};
using WindowKeyTest = WindowTest;

TEST_F(WindowTest, MouseEventsReachListenersInRegistrationOrderWhoMayLeaveOrJoinInTheirOwnCall)
{
    testkit::LogWatch watch; // only critical lines reach the log
    window->addMouseListener(&first);
    window->addMouseListener(&second);
    window->addMouseListener(&first); // ignored: already registered
    cursor(handle, 12.7, 30.2);
    scroll(handle, 3.0, 0.0); // horizontal only: delivered as 0
    scroll(handle, 0.0, -1.0);
    button(handle, GLFW_MOUSE_BUTTON_RIGHT, GLFW_PRESS, 0);
    button(handle, GLFW_MOUSE_BUTTON_RIGHT, 7, 0); // unknown action: nothing
    const std::vector<std::string> expected = {
        "first: move 12,30",       "second: move 12,30",       "first: scroll 0.000000", "second: scroll 0.000000",
        "first: scroll -1.000000", "second: scroll -1.000000", "first: down 1",          "second: down 1",
    };
    EXPECT_EQ(std::exchange(journal, {}), expected);

    // A release carries the cursor position, read once per event.
    glfwSetCursorPos(handle, 100.0, 50.0);
    double x = 0, y = 0;
    glfwGetCursorPos(handle, &x, &y);
    button(handle, GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE, 0);
    const std::string at = " at " + std::to_string(int(x)) + "," + std::to_string(int(y));
    EXPECT_EQ(std::exchange(journal, {}), (std::vector<std::string>{"first: up 0" + at, "second: up 0" + at}));

    // A removed listener hears nothing; removing an unknown one is harmless.
    window->removeMouseListener(&first);
    window->removeMouseListener(&first); // not registered any more
    scroll(handle, 0.0, 2.0);
    EXPECT_EQ(std::exchange(journal, {}), std::vector<std::string>{"second: scroll 2.000000"});
    EXPECT_TRUE(watch.lines().empty());

    // Inside its own call a listener may leave, remove another or add one:
    // the rest of the event reaches those still in; a new one hears the next.
    window->removeMouseListener(&second);
    window->addMouseListener(&first);
    window->addMouseListener(&second);
    first.then = [&] {
        window->removeMouseListener(&first);
        window->removeMouseListener(&second);
        window->addMouseListener(&third);
    };
    scroll(handle, 0.0, 1.0);
    cursor(handle, 4.0, 5.0);
    EXPECT_EQ(journal, (std::vector<std::string>{"first: scroll 1.000000", "third: move 4,5"}));
}

// Key listeners hear every action in order, even one that leaves on a press
// hears nothing after it; a second window is refused and the first kept.
TEST_F(WindowKeyTest, KeyActionsReachEveryListenerInOrderAndASecondWindowIsRefused)
{
    window->addKeyListener(&first);
    window->addKeyListener(&second);
    window->addKeyListener(&first);
    key(handle, GLFW_KEY_W, 25, GLFW_PRESS, GLFW_MOD_SHIFT);
    key(handle, GLFW_KEY_W, 25, GLFW_REPEAT, 0);
    key(handle, GLFW_KEY_W, 25, GLFW_RELEASE, 0);
    key(handle, GLFW_KEY_W, 25, 9, 0); // unknown action
    const std::vector<std::string> expected = {"first: press 87/1", "second: press 87/1", "first: repeat 87",
                                               "second: repeat 87", "first: release 87",  "second: release 87"};
    EXPECT_EQ(std::exchange(journal, {}), expected);

    window->removeKeyListener(&second);
    first.then = [&] { window->removeKeyListener(&first); };
    key(handle, GLFW_KEY_Q, 24, GLFW_PRESS, 0);
    key(handle, GLFW_KEY_Q, 24, GLFW_RELEASE, 0);
    EXPECT_EQ(journal, std::vector<std::string>{"first: press 81/0"});

    testkit::LogWatch watch;
    EXPECT_FALSE(window->create(320, 200, 0, 0, "again"));
    EXPECT_EQ(watch.criticalLines(),
              (std::vector<std::string>{"CRITICAL :Trying to create a second window-instance!"}));
    EXPECT_EQ(window->getHandle(), handle);
    EXPECT_EQ(window->getWidth(), 800);
}

} // namespace
} // namespace BV
