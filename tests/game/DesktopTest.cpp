// The game in a real window the player resizes, squeezes, minimises and turns full screen.
#include <string>
#include <vector>

#include "game/CameraController.h"
#include "game/GameFixture.h"

namespace BV {
namespace {

using scenetest::Pixel;

class DesktopTest : public testkit::GameFixture {
protected:
    void TearDown() override
    {
        // The binary's other tests draw on the shared window at its own size.
        window->setFullscreen(false);
        resize(scenetest::WINDOW_WIDTH, scenetest::WINDOW_HEIGHT);
        GameFixture::TearDown();
    }

    // Lets the events of a new window size arrive, after asking for it unless something else did.
    bool resize(int width, int height, bool ask = true)
    {
        if (ask) {
            glfwSetWindowSize(window->getHandle(), width, height);
        }
        for (int i = 0; i < 300 && (window->getWidth() != width || window->getHeight() != height); ++i) {
            glfwWaitEventsTimeout(0.01);
        }
        return window->getWidth() == width && window->getHeight() == height;
    }

    // Two frames: the first after a resize may land in a buffer the window system has only just made.
    std::vector<unsigned char> frame(const std::string& png)
    {
        step(0.02);
        step(0.02);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        std::vector<unsigned char> pixels = testkit::readPixels(0, 0, window->getWidth(), window->getHeight());
        testkit::savePng(png, window->getWidth(), window->getHeight(), pixels);
        return pixels;
    }

    Pixel at(const std::vector<unsigned char>& pixels, int x, int y) const
    {
        return scenetest::pixelOf(pixels, x, y, window->getWidth(), window->getHeight());
    }

    // The planet's [first, last] pixel along one axis through the middle of the scene's depth, nearer than the sky.
    std::pair<int, int> discRun(bool horizontal) const
    {
        const int width = game->getScene()->getTargetWidth(), height = game->getScene()->getTargetHeight();
        const int length = horizontal ? width : height;
        std::vector<float> depth(static_cast<std::size_t>(length));
        glBindFramebuffer(GL_READ_FRAMEBUFFER, game->getScene()->getMainFramebuffer());
        glReadPixels(horizontal ? 0 : width / 2, horizontal ? height / 2 : 0, horizontal ? length : 1,
                     horizontal ? 1 : length, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        int first = length / 2, last = length / 2;
        while (first > 0 && depth[first - 1] < 0.9999f) {
            --first;
        }
        while (last < length - 1 && depth[last + 1] < 0.9999f) {
            ++last;
        }
        return {first, last};
    }

    // As far out as the view goes: the planet round in the middle, and sky, not black, along the top and bottom.
    void expectWholePicture(const std::string& png)
    {
        game->getCameraController()->onMouseScrolled(-100.0);
        const std::vector<unsigned char> pixels = frame(png);
        const int width = window->getWidth(), height = window->getHeight();
        const auto [left, right] = discRun(true);
        const auto [top, bottom] = discRun(false);
        EXPECT_GT(bottom - top, height / 3) << "no planet";
        EXPECT_GT(left, 0) << "the planet is cut off";
        EXPECT_NEAR((left + right) * 0.5, width * 0.5, 2.0) << "planet off-centre";
        EXPECT_NEAR((top + bottom) * 0.5, height * 0.5, 2.0) << "planet off-centre";
        EXPECT_NEAR(right - left, bottom - top, 0.015 * (bottom - top)) << "planet not round";
        int black = 0;
        for (int x = 0; x < 2 * width; ++x) {
            const Pixel p = at(pixels, x % width, x < width ? 1 : height - 2);
            black += p.r + p.g + p.b == 0 ? 1 : 0;
        }
        EXPECT_LT(black, width / 10) << "uncovered window";
    }

    // How much fine detail a rectangle holds: the differences between neighbouring pixels along its rows.
    double detail(const std::vector<unsigned char>& pixels, int left, int top, int width, int height) const
    {
        double sum = 0.0;
        for (int y = top; y < top + height; ++y) {
            for (int x = left; x < left + width - 1; ++x) {
                const Pixel a = at(pixels, x, y), b = at(pixels, x + 1, y);
                sum += std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
            }
        }
        return sum;
    }

    glm::vec2 onWindow(const Tile& tile) const
    {
        return scenetest::toWindow(*game->getCamera(), tile.position, window->getWidth(), window->getHeight());
    }

    Window* window = Window::getInstance();
};

// Each size the player drags the window to gets a whole picture, and a click on the home tower selects it.
TEST_F(DesktopTest, ThePictureAndClicksFollowTheWindowSize)
{
    const Tile& home = towerOf(humanPlayer)->tile;
    for (const glm::ivec2 size : {glm::ivec2(1000, 400), glm::ivec2(480, 640)}) {
        SCOPED_TRACE(size.x);
        ASSERT_TRUE(resize(size.x, size.y));
        expectWholePicture("desktop_" + std::to_string(size.x) + ".png");

        game->getCameraController()->onKeyPressed(GLFW_KEY_A, 0, 0);
        step(0.15);
        game->getCameraController()->onKeyReleased(GLFW_KEY_A, 0, 0);
        planet->selectedTile = -1;
        const glm::vec2 pointer = onWindow(home);
        EXPECT_GT(glm::distance(pointer, glm::vec2(size) * 0.5f), 20.0f);
        glfwSetCursorPos(window->getHandle(), pointer.x, pointer.y);
        step(0.02);
        game->onMouseButtonReleased(GLFW_MOUSE_BUTTON_LEFT, pointer, 0);
        EXPECT_EQ(planet->selectedTile, static_cast<std::int32_t>(home.index));
    }
}

// A pointer outside the window hovers nothing, and no part of the game's cursor is drawn hanging into the window.
TEST_F(DesktopTest, APointerOutsideTheWindowHoversAndDrawsNothing)
{
    GLFWwindow* handle = window->getHandle();
    glfwSetWindowPos(handle, 100, 100);
    for (int i = 0; i < 10; ++i) {
        glfwWaitEventsTimeout(0.01);
    }
    step(0.02);
    const Tile& home = towerOf(humanPlayer)->tile;
    glfwSetCursorPos(handle, onWindow(home).x, onWindow(home).y);
    step(0.02);
    ASSERT_EQ(planet->hoveredTile, static_cast<std::int32_t>(home.index));
    std::vector<unsigned char> corners[2];
    for (int i = 0; i < 2; ++i) {
        glfwSetCursorPos(handle, -8 - 52 * i, -8 - 52 * i); // 8 and 60 pixels out
        corners[i] = frame("desktop_pointer_out.png");
        EXPECT_EQ(planet->hoveredTile, -1);
    }
    EXPECT_EQ(scenetest::meanColour(corners[0], 0, 0, 24, 24), scenetest::meanColour(corners[1], 0, 0, 24, 24))
        << "cursor drawn in the corner";
}

// At half scale the scene is drawn into a target of half the window's size and scaled up, softer; the statistics panel
// and the cursor over it are as sharp as at full scale.
TEST_F(DesktopTest, AtHalfScaleTheSceneIsSofterAndTheInterfaceAsSharp)
{
    Statistics* statistics = Statistics::getInstance();
    statistics->panelTexture =
        static_cast<Texture*>(ResourceManager::getInstance()->getResource("resources/textures/ui/debug.dds"));
    ASSERT_TRUE(statistics->panelTexture->ensureLoadedOrReport());
    statistics->overlayVisible = true;
    glfwSetCursorPos(window->getHandle(), 500.0, 100.0);
    std::vector<unsigned char> frames[2];
    for (int i = 0; i < 2; ++i) {
        const double scale = 1.0 - 0.5 * i;
        game->getRenderScale().fix(scale);
        frames[i] = frame(i == 0 ? "desktop_scale_1.png" : "desktop_scale_half.png");
        EXPECT_EQ(game->getScene()->getTargetWidth(), static_cast<int>(window->getWidth() * scale));
        EXPECT_EQ(game->getScene()->getTargetHeight(), static_cast<int>(window->getHeight() * scale));
    }
    statistics->overlayVisible = false;
    const auto ratio = [&](int left, int top, int w, int h) {
        return detail(frames[1], left, top, w, h) / detail(frames[0], left, top, w, h);
    };
    EXPECT_LT(ratio(250, 250, 300, 200), 0.8) << "the scene is as sharp as at full scale";
    EXPECT_GT(ratio(0, 0, statistics->panelTexture->width, statistics->panelTexture->height), 0.9) << "panel";
    EXPECT_GT(ratio(500, 100, 32, 32), 0.9) << "cursor";
}

// A window squeezed to one pixel, or minimised, raises no GL error; minimising pauses the game till it returns.
TEST_F(DesktopTest, ASqueezedOrMinimisedWindowComesBackWhole)
{
    while (glGetError() != GL_NO_ERROR) {
    }
    ASSERT_TRUE(resize(1, 1));
    step(0.1);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    // GLFW's own callbacks, as a window manager would trigger them.
    GLFWwindow* handle = window->getHandle();
    const GLFWwindowiconifyfun iconify = glfwSetWindowIconifyCallback(handle, nullptr);
    glfwSetWindowIconifyCallback(handle, iconify);
    const GLFWframebuffersizefun framebuffer = glfwSetFramebufferSizeCallback(handle, nullptr);
    glfwSetFramebufferSizeCallback(handle, framebuffer);
    ASSERT_TRUE(iconify && framebuffer);
    for (const bool pausedBefore : {false, true}) {
        SCOPED_TRACE(pausedBefore ? "paused before" : "running before");
        game->setPaused(pausedBefore);
        const double before = game->getGameTime();
        iconify(handle, GLFW_TRUE);
        framebuffer(handle, 0, 0);
        step(0.1);
        EXPECT_TRUE(game->isPaused());
        EXPECT_EQ(game->getGameTime(), before);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        iconify(handle, GLFW_FALSE);
        framebuffer(handle, 1, 1);
        step(0.1);
        EXPECT_EQ(game->isPaused(), pausedBefore);
        EXPECT_NEAR(game->getGameTime(), before + (pausedBefore ? 0.0 : 0.1), 1e-9);
    }
}

// F11 and Alt+Enter each switch to the whole screen and back to the window as it was; Enter alone switches nothing.
TEST_F(DesktopTest, F11AndAltEnterSwitchToFullScreenAndBack)
{
    GLFWwindow* handle = window->getHandle();
    const GLFWvidmode* mode = glfwGetVideoMode(glfwGetPrimaryMonitor());
    ASSERT_TRUE(mode);
    glfwSetWindowPos(handle, 40, 30);
    ASSERT_TRUE(resize(640, 480));
    for (const glm::ivec2 key : {glm::ivec2(GLFW_KEY_F11, 0), glm::ivec2(GLFW_KEY_ENTER, GLFW_MOD_ALT)}) {
        SCOPED_TRACE(key.x);
        game->onKeyPressed(key.x, 0, key.y);
        ASSERT_TRUE(resize(mode->width, mode->height, false));
        EXPECT_TRUE(window->isFullscreen());
        expectWholePicture("desktop_fullscreen.png");
        game->onKeyPressed(key.x, 0, key.y);
        ASSERT_TRUE(resize(640, 480, false));
        EXPECT_FALSE(window->isFullscreen());
        glm::ivec2 position(0);
        glfwGetWindowPos(handle, &position.x, &position.y);
        EXPECT_EQ(position, glm::ivec2(40, 30));
    }
    game->onKeyPressed(GLFW_KEY_ENTER, 0, 0);
    step(0.02);
    EXPECT_FALSE(window->isFullscreen());
}

} // namespace
} // namespace BV
