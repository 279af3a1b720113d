#include "app/BoundingBox.h"

namespace BV {

BoundingBox::BoundingBox(const glm::vec3& minimum, const glm::vec3& maximum)
    : minimum(glm::min(minimum, maximum)), maximum(glm::max(minimum, maximum)), extent(EXTENT_FINITE)
{
}

BoundingBox BoundingBox::infinite()
{
    BoundingBox box;
    box.extent = EXTENT_INFINITE;
    return box;
}

void BoundingBox::grow(const glm::vec3& point)
{
    switch (extent) {
    case EXTENT_NULL:
        minimum = point;
        maximum = point;
        extent = EXTENT_FINITE;
        break;
    case EXTENT_FINITE:
        minimum = glm::min(minimum, point);
        maximum = glm::max(maximum, point);
        break;
    case EXTENT_INFINITE: break;
    }
}

void BoundingBox::merge(const BoundingBox& other)
{
    if (other.isNull() || isInfinite()) {
        return;
    }
    if (other.isInfinite()) {
        extent = EXTENT_INFINITE;
        return;
    }
    if (isNull()) {
        minimum = other.minimum;
        maximum = other.maximum;
        extent = EXTENT_FINITE;
        return;
    }
    minimum = glm::min(minimum, other.minimum);
    maximum = glm::max(maximum, other.maximum);
}

void BoundingBox::transform(const glm::mat4& matrix)
{
    if (!isFinite()) {
        return;
    }
    const std::array<glm::vec3, 8> corners = getCorners();
    extent = EXTENT_NULL;
    for (const glm::vec3& corner : corners) {
        const glm::vec4 moved = matrix * glm::vec4(corner, 1.0f);
        grow(glm::vec3(moved));
    }
}

std::array<glm::vec3, 8> BoundingBox::getCorners() const
{
    return {
        glm::vec3(minimum.x, minimum.y, minimum.z), glm::vec3(maximum.x, minimum.y, minimum.z),
        glm::vec3(minimum.x, maximum.y, minimum.z), glm::vec3(maximum.x, maximum.y, minimum.z),
        glm::vec3(minimum.x, minimum.y, maximum.z), glm::vec3(maximum.x, minimum.y, maximum.z),
        glm::vec3(minimum.x, maximum.y, maximum.z), glm::vec3(maximum.x, maximum.y, maximum.z),
    };
}

} // namespace BV
