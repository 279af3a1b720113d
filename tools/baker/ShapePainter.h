#pragma once

#include <vector>

#include "Image.h"

namespace BV {

struct Point {
    float x;
    float y;
};

// Anti-aliased flat shapes with an optional outline, painted from signed
// distances (negative inside) so that edges stay smooth at any size.
// Coordinates are pixels with (0, 0) at the top-left corner of the picture.
class ShapePainter {
public:
    // Signed distance to a closed polygon (any winding, no self-crossing).
    static float polygonDistance(const std::vector<Point>& polygon, Point p);
    static float roundedRectDistance(float left, float top, float right, float bottom, float radius, Point p);

    // Fills where distance < 0 with fill, and the band of outlineWidth pixels
    // inside the edge with outline.
    template <typename Distance>
    static void paint(Image& image, Distance distance, const Colour& fill, const Colour& outline, float outlineWidth)
    {
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const float d = distance(Point{static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f});
                const float inside = clamp01(0.5f - d);
                if (inside <= 0.0f) {
                    continue;
                }
                const float core = clamp01(0.5f - (d + outlineWidth));
                image.blend(x, y, mix(outline, fill, core), inside);
            }
        }
    }

    static void polygon(Image& image, const std::vector<Point>& points, const Colour& fill, const Colour& outline,
                        float outlineWidth);
    static void circle(Image& image, Point centre, float radius, const Colour& fill, const Colour& outline,
                       float outlineWidth);
    static void ring(Image& image, Point centre, float radius, float thickness, const Colour& colour);
    static void line(Image& image, Point a, Point b, float width, const Colour& colour);

private:
    static float clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }
};

} // namespace BV
