// The camera controller on a camera hanging under a pivot, as in the game.
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <glm/gtc/quaternion.hpp>

#include "game/CameraController.h"
#include "scene/Camera.h"
#include "scene/Statistics.h"

namespace BV {
namespace {

class CameraControllerTest : public ::testing::Test {
protected:
    CameraControllerTest() { pivot.addChild(&camera); }
    ~CameraControllerTest() override { pivot.removeChild(&camera); }

    // The pivot's turn about its vertical axis, in radians.
    float yaw() const { return 2.0f * std::atan2(pivot.orientation.y, pivot.orientation.w); }

    Camera pivot;
    Camera camera;
    CameraController controller{&camera, 300.0, 600.0, 4.0, 1.0};
};

// Counters never go below zero on a release without a press.
TEST_F(CameraControllerTest, HeldKeysAndDragsTurnThePivotFunctionKeysToggleOnReleaseAndZoomIsClamped)
{
    EXPECT_FLOAT_EQ(camera.position.z, 450.0f);
    controller.onKeyReleased(GLFW_KEY_W, 0, 0);
    controller.onKeyPressed(GLFW_KEY_W, 0, 0);
    EXPECT_EQ(controller.getPitchDirection(), -1);
    controller.onKeyReleased(GLFW_KEY_W, 0, 0);

    controller.onKeyPressed(GLFW_KEY_D, 0, 0);
    controller.onKeyRepeated(GLFW_KEY_D, 0, 0);
    controller.onKeyPressed(GLFW_KEY_D, 0, 0); // a second press without release counts once
    controller.update(1.0);
    EXPECT_NEAR(yaw(), 1.0f, 1e-5f);
    controller.onKeyPressed(GLFW_KEY_A, 0, 0);
    EXPECT_EQ(controller.getYawDirection(), 0);
    controller.onKeyReleased(GLFW_KEY_A, 0, 0), controller.onKeyReleased(GLFW_KEY_D, 0, 0);
    EXPECT_EQ(controller.getYawDirection(), 0);

    Statistics* statistics = Statistics::getInstance();
    const bool wireframe = statistics->wireframe;
    controller.onKeyPressed(GLFW_KEY_F3, 0, 0);
    controller.onKeyRepeated(GLFW_KEY_F3, 0, 0);
    EXPECT_EQ(statistics->wireframe, wireframe);
    controller.onKeyReleased(GLFW_KEY_F3, 0, 0);
    EXPECT_NE(statistics->wireframe, wireframe);
    controller.onKeyReleased(GLFW_KEY_F3, 0, 0); // and back

    // A drag turns one radian per thousand pixels; the wheel's zoom is clamped.
    controller.onMouseButtonPressed(GLFW_MOUSE_BUTTON_RIGHT, {100, 100}, 0);
    controller.onMouseMoved({600, 100});
    EXPECT_NEAR(yaw(), 0.5f, 1e-5f); // dragging right turns back
    controller.onMouseButtonReleased(GLFW_MOUSE_BUTTON_RIGHT, {600, 100}, 0);
    controller.onMouseMoved({0, 0});
    EXPECT_NEAR(yaw(), 0.5f, 1e-5f);

    controller.onMouseScrolled(1000.0);
    EXPECT_NEAR(camera.position.z, 300.0f, 1e-3f);
    controller.onMouseScrolled(-30.0);
    EXPECT_DOUBLE_EQ(controller.getDistance(), 420.0);
    controller.onMouseScrolled(-1000.0);
    EXPECT_NEAR(camera.position.z, 600.0f, 1e-3f);
}

} // namespace
} // namespace BV
