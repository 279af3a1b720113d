// Camera matrices against hand-computed values, their laziness, and the
// view-volume test.
#include <cmath>

#include <gtest/gtest.h>
#include <glm/gtc/constants.hpp>

#include "app/BoundingBox.h"
#include "scene/Camera.h"

namespace BV {
namespace {

::testing::AssertionResult columnNear(const glm::mat4& m, int column, const glm::vec4& expected)
{
    if (glm::all(glm::lessThanEqual(glm::abs(m[column] - expected), glm::vec4(1e-4f)))) {
        return ::testing::AssertionSuccess();
    }
    const glm::vec4 a = m[column];
    return ::testing::AssertionFailure() << "column " << column << " = (" << a.x << ", " << a.y << ", " << a.z << ", "
                                         << a.w << ")";
}

TEST(Camera, ProjectionsMatchHandComputedMatricesAndBoundTheViewVolume)
{
    Camera camera;
    camera.setProjectionKind(Camera::PK_PERSPECTIVE);
    camera.setViewportSize(800, 600);
    camera.setClipPlanes(0.1f, 3500.0f);
    const float t = std::tan(22.5f); // the game's 45 "degrees" read as radians
    const glm::mat4 p = camera.getProjection();
    EXPECT_TRUE(columnNear(p, 0, {1.0f / (t * 800.0f / 600.0f), 0, 0, 0}));
    EXPECT_TRUE(columnNear(p, 1, {0, 1.0f / t, 0, 0}));
    EXPECT_TRUE(columnNear(p, 2, {0, 0, -3500.1f / 3499.9f, -1}));
    EXPECT_TRUE(columnNear(p, 3, {0, 0, -700.0f / 3499.9f, 0}));

    // The view volume rejects only boxes wholly beyond one plane.
    camera.update(true, false);
    // At 100 in front the left plane lies at x = -100 * tan(22.5) * 4/3.
    const float left = -100.0f * t * 800.0f / 600.0f;
    EXPECT_TRUE(camera.isInFrustum(BoundingBox({-1, -1, -101}, {1, 1, -99})));
    EXPECT_FALSE(camera.isInFrustum(BoundingBox({left - 30, -1, -101}, {left - 10, 1, -99})));
    EXPECT_TRUE(camera.isInFrustum(BoundingBox({left - 10, -1, -101}, {left + 10, 1, -99}))); // straddles
    EXPECT_FALSE(camera.isInFrustum(BoundingBox({-1, -1, 10}, {1, 1, 20})));                  // behind
    EXPECT_FALSE(camera.isInFrustum(BoundingBox({-1, -1, -5000}, {1, 1, -4000})));            // beyond far
    EXPECT_TRUE(camera.isInFrustum(BoundingBox({-5, -5, -5}, {5, 5, 5})));                    // around the eye
    EXPECT_TRUE(camera.isInFrustum(BoundingBox::infinite()));

    // The same box, seen after the camera turned away from it.
    camera.rotate({0, 1, 0}, glm::pi<float>());
    camera.update(true, false);
    EXPECT_FALSE(camera.isInFrustum(BoundingBox({-1, -1, -101}, {1, 1, -99})));

    camera.fovy = 1.0f; // a field write is not a change the camera hears about
    EXPECT_EQ(camera.getProjection(), p);
    camera.setFieldOfView(1.0f);
    EXPECT_NE(camera.getProjection(), p);

    camera.setProjectionKind(Camera::PK_ORTHOGRAPHIC);
    camera.setClipPlanes(0.0f, 300.0f);
    camera.setViewportSize(500.0f, 500.0f);
    const glm::mat4 o = camera.getProjection();
    EXPECT_NEAR((o * glm::vec4(250, -250, -300, 1)).x, 1.0f, 1e-6f);
    EXPECT_NEAR((o * glm::vec4(250, -250, -300, 1)).y, -1.0f, 1e-6f);
    EXPECT_NEAR((o * glm::vec4(0, 0, -300, 1)).z, 1.0f, 1e-6f);
    EXPECT_NEAR((o * glm::vec4(0, 0, 0, 1)).z, -1.0f, 1e-6f);
}

TEST(Camera, ViewAndInverseRotationFollowTheParent)
{
    Camera pivot;
    Camera camera;
    pivot.addChild(&camera);
    camera.position = glm::vec3(0, 0, 10);
    camera.markDirty(false);
    pivot.update(true, false);
    const glm::mat4 view = camera.getView();
    EXPECT_NEAR((view * glm::vec4(0, 0, 0, 1)).z, -10.0f, 1e-5f);

    // No update walk: a moved camera refreshes itself and its parent on demand.
    pivot.rotate({0, 1, 0}, glm::half_pi<float>());
    camera.markDirty(false);
    const glm::vec4 light = camera.getInverseRotation() * glm::vec4(0, 0, 1500, 1);
    EXPECT_NEAR(light.x, -1500.0f, 1e-2f);
    EXPECT_NEAR(light.z, 0.0f, 1e-2f);
    pivot.update(true, false);
    EXPECT_NE(camera.getView(), view);
    EXPECT_NEAR((camera.getView() * glm::vec4(0, 0, 0, 1)).z, -10.0f, 1e-5f);
}

} // namespace
} // namespace BV
