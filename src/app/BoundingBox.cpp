#include "app/BoundingBox.h"

#include <algorithm>
#include <limits>

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

bool BoundingBox::enteredAlong(const glm::vec3& origin, const glm::vec3& direction, float& t) const
{
    if (extent != EXTENT_FINITE) {
        return false;
    }
    // The stretch of the line inside each pair of planes, narrowed axis by
    // axis; a line parallel to a pair lies between its planes or misses.
    float enter = 0.0f;
    float leave = std::numeric_limits<float>::infinity();
    for (int axis = 0; axis < 3; ++axis) {
        if (direction[axis] == 0.0f) {
            if (origin[axis] < minimum[axis] || origin[axis] > maximum[axis]) {
                return false;
            }
            continue;
        }
        const float a = (minimum[axis] - origin[axis]) / direction[axis];
        const float b = (maximum[axis] - origin[axis]) / direction[axis];
        enter = std::max(enter, std::min(a, b));
        leave = std::min(leave, std::max(a, b));
    }
    if (enter > leave) {
        return false;
    }
    t = enter;
    return true;
}

} // namespace BV
