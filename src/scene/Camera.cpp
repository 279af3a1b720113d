#include "scene/Camera.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "app/BoundingBox.h"

namespace BV {

Camera::Camera() = default;

void Camera::refreshWorldTransform()
{
    Node::refreshWorldTransform();
    viewDirty = true;
}

Node* Camera::createChild(const std::string&)
{
    return nullptr;
}

Node* Camera::createChild()
{
    return nullptr;
}

void Camera::collectRenderables(RenderQueue&) {}

void Camera::setClipPlanes(float nearDistance, float farDistance)
{
    nearPlane = nearDistance;
    farPlane = farDistance;
    projectionDirty = true;
}

void Camera::setFieldOfView(float fieldOfView)
{
    fovy = fieldOfView;
    projectionDirty = true;
}

void Camera::setProjectionKind(std::int32_t kind)
{
    projectionKind = kind;
    projectionDirty = true;
}

void Camera::setViewportSize(float viewportWidth, float viewportHeight)
{
    width = viewportWidth;
    height = viewportHeight;
    projectionDirty = true;
}

const glm::mat4& Camera::getProjection()
{
    if (projectionDirty) {
        updateProjection();
    }
    return projection;
}

const glm::mat4& Camera::getView()
{
    if (viewDirty) {
        updateView();
    }
    return view;
}

void Camera::updateProjection()
{
    const float depth = farPlane - nearPlane;
    if (projectionKind == PK_PERSPECTIVE) {
        const float aspect = width / height;
        const float t = std::tan(fovy * 0.5f); // radians on purpose, see setFieldOfView
        projection = glm::mat4(0.0f);
        projection[0][0] = 1.0f / (aspect * t);
        projection[1][1] = 1.0f / t;
        projection[2][2] = -(farPlane + nearPlane) / depth;
        projection[2][3] = -1.0f;
        projection[3][2] = -(2.0f * farPlane * nearPlane) / depth;
    } else if (projectionKind == PK_ORTHOGRAPHIC) {
        // Symmetric volume: left = -right, bottom = -top.
        projection = glm::mat4(1.0f);
        projection[0][0] = 2.0f / width;
        projection[1][1] = 2.0f / height;
        projection[2][2] = -2.0f / depth;
        projection[3][0] = 0.0f;
        projection[3][1] = 0.0f;
        projection[3][2] = -(farPlane + nearPlane) / depth;
    }
    projectionDirty = false;
}

void Camera::updateView()
{
    view = glm::inverse(getWorldMatrix());
    viewDirty = false;
}

glm::mat4 Camera::getInverseRotation()
{
    if (transformDirty) {
        refreshWorldTransform();
    }
    return glm::inverse(glm::mat4_cast(worldOrientation));
}

bool Camera::isInFrustum(const BoundingBox& box)
{
    return isInFrustum(getProjection() * getView(), box);
}

bool Camera::isInFrustum(const glm::mat4& viewProjection, const BoundingBox& box)
{
    if (box.isInfinite()) {
        return true;
    }
    int beyond[6] = {0, 0, 0, 0, 0, 0};
    for (const glm::vec3& corner : box.getCorners()) {
        const glm::vec4 p = viewProjection * glm::vec4(corner, 1.0f);
        beyond[0] += p.x > p.w;
        beyond[1] += p.x < -p.w;
        beyond[2] += p.y > p.w;
        beyond[3] += p.y < -p.w;
        beyond[4] += p.z > p.w;
        beyond[5] += p.z < -p.w;
    }
    return std::find(std::begin(beyond), std::end(beyond), 8) == std::end(beyond);
}

} // namespace BV
