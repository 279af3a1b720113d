// Camera projection against hand-computed values and the view-volume test.
#include <cmath>
#include <utility>

#include <gtest/gtest.h>

#include "app/BoundingBox.h"
#include "scene/Camera.h"

namespace BV {
namespace {

TEST(Camera, ProjectionMatchesHandComputedMatrixAndBoundsTheViewVolume)
{
    Camera camera;
    camera.setProjectionKind(Camera::PK_PERSPECTIVE);
    camera.setViewportSize(800, 600);
    camera.setClipPlanes(0.1f, 3500.0f);
    const float t = std::tan(22.5f);                                // the game's 45 "degrees" read as radians
    const glm::mat4 expected(1.0f / (t * 800.0f / 600.0f), 0, 0, 0, //
                             0, 1.0f / t, 0, 0,                     //
                             0, 0, -3500.1f / 3499.9f, -1,          //
                             0, 0, -700.0f / 3499.9f, 0);
    const glm::mat4 p = camera.getProjection();
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            EXPECT_NEAR(p[c][r], expected[c][r], 1e-4f) << "column " << c << " row " << r;
        }
    }

    // The view volume rejects only boxes wholly beyond one plane. At 100 in
    // front the left plane lies at x = -100 * tan(22.5) * 4/3.
    camera.update(true, false);
    const float left = -100.0f * t * 800.0f / 600.0f;
    EXPECT_TRUE(camera.isInFrustum(BoundingBox({-1, -1, -101}, {1, 1, -99})));
    EXPECT_FALSE(camera.isInFrustum(BoundingBox({left - 30, -1, -101}, {left - 10, 1, -99})));
    EXPECT_TRUE(camera.isInFrustum(BoundingBox({left - 10, -1, -101}, {left + 10, 1, -99}))); // straddles
    EXPECT_FALSE(camera.isInFrustum(BoundingBox({-1, -1, 10}, {1, 1, 20})));                  // behind
}

// The sun's shadow camera: 500 x 500 world units, planes 0 and 300.
TEST(Camera, OrthographicBoxMapsItsEdgesToTheUnitCube)
{
    Camera camera;
    camera.setProjectionKind(Camera::PK_ORTHOGRAPHIC);
    camera.setClipPlanes(0.0f, 300.0f);
    camera.setViewportSize(500.0f, 500.0f);
    const glm::mat4 p = camera.getProjection();
    for (const auto& [point, mapped] : {std::pair{glm::vec3(250, -250, 0), glm::vec3(1, -1, -1)},
                                        std::pair{glm::vec3(-125, 50, -300), glm::vec3(-0.5f, 0.2f, 1)},
                                        std::pair{glm::vec3(0, 0, -150), glm::vec3(0, 0, 0)}}) {
        const glm::vec4 clip = p * glm::vec4(point, 1.0f);
        EXPECT_FLOAT_EQ(clip.w, 1.0f);
        EXPECT_LT(glm::distance(glm::vec3(clip), mapped), 1e-5f) << point.x << ", " << point.y << ", " << point.z;
    }
}

} // namespace
} // namespace BV
