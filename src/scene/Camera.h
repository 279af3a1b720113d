#pragma once

#include <cstdint>
#include <string>

#include <glm/glm.hpp>

#include "scene/Node.h"

namespace BV {

class BoundingBox;

// A node that turns its world transform into a view matrix and its lens into
// a projection matrix, both cached until something changes them.
class Camera : public Node {
public:
    enum ProjectionKind : std::int32_t {
        PK_ORTHOGRAPHIC = 0,
        PK_PERSPECTIVE = 1,
    };

    // Cameras are always unnamed and get a generated "Node_<n>" name.
    Camera();

    void refreshWorldTransform() override;
    // Cameras never have children of their own making and never draw.
    Node* createChild(const std::string& name) override;
    Node* createChild() override;
    void collectRenderables(RenderQueue& queue) override;

    void setClipPlanes(float nearDistance, float farDistance);
    // fovy is used as radians on purpose: the game's 45 gives the wider
    // opening (about 58 degrees) the game was tuned with.
    void setFieldOfView(float fieldOfView);
    void setProjectionKind(std::int32_t kind);
    // Pixels for a perspective camera, world units for an orthographic one.
    void setViewportSize(float viewportWidth, float viewportHeight);

    const glm::mat4& getProjection();
    const glm::mat4& getView();
    void updateProjection();
    void updateView();
    // Inverse of the world orientation alone (no translation, no scale);
    // refreshes the world transform first when it is out of date.
    glm::mat4 getInverseRotation();
    // False only when all 8 corners of the box lie beyond the same plane of
    // the view volume; infinite boxes are always inside.
    bool isInFrustum(const BoundingBox& box);
    // The same test against the view volume of any projection x view matrix.
    static bool isInFrustum(const glm::mat4& viewProjection, const BoundingBox& box);

    bool isProjectionDirty() const { return projectionDirty; }
    bool isViewDirty() const { return viewDirty; }

    // Lens. Writing these directly does not mark the projection out of date;
    // use the setters.
    float nearPlane = 0.0f;
    float farPlane = 100.0f;
    float width = 1.0f;
    float height = 1.0f;
    float fovy = 45.0f;
    std::int32_t projectionKind = PK_PERSPECTIVE;

private:
    bool projectionDirty = true;
    bool viewDirty = true;
    glm::mat4 projection{1.0f};
    glm::mat4 view{1.0f};
};

} // namespace BV
