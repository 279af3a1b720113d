#pragma once

#include <array>
#include <cstdint>

#include <glm/glm.hpp>

namespace BV {

// Axis-aligned box in whatever space its owner keeps it (model or world).
// A null box holds nothing yet; an infinite one holds everything (the sky).
class BoundingBox {
public:
    enum Extent : std::int32_t {
        EXTENT_NULL = 0,
        EXTENT_FINITE = 1,
        EXTENT_INFINITE = 2,
    };

    BoundingBox() = default;
    BoundingBox(const glm::vec3& minimum, const glm::vec3& maximum);

    static BoundingBox infinite();

    void grow(const glm::vec3& point);
    void merge(const BoundingBox& other);
    // Only a finite box changes: it becomes the box around its 8 moved corners.
    void transform(const glm::mat4& matrix);
    std::array<glm::vec3, 8> getCorners() const;
    // Where the line origin + t * direction enters a finite box, as the
    // smallest t >= 0 (0 when origin is inside); false when it misses, when
    // the box lies behind the origin, or for a null or infinite box. The
    // direction need not be a unit vector: t counts in its lengths.
    bool enteredAlong(const glm::vec3& origin, const glm::vec3& direction, float& t) const;

    void setNull() { extent = EXTENT_NULL; }
    void setInfinite() { extent = EXTENT_INFINITE; }
    bool isNull() const { return extent == EXTENT_NULL; }
    bool isFinite() const { return extent == EXTENT_FINITE; }
    bool isInfinite() const { return extent == EXTENT_INFINITE; }
    Extent getExtent() const { return extent; }

    glm::vec3 minimum{0.0f};
    glm::vec3 maximum{0.0f};

private:
    Extent extent = EXTENT_NULL;
};

} // namespace BV
