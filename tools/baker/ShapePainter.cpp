#include "ShapePainter.h"

#include <algorithm>
#include <cmath>

namespace BV {

namespace {

float segmentDistance(Point a, Point b, Point p)
{
    const float abx = b.x - a.x;
    const float aby = b.y - a.y;
    const float len2 = abx * abx + aby * aby;
    float t = len2 > 0.0f ? ((p.x - a.x) * abx + (p.y - a.y) * aby) / len2 : 0.0f;
    t = std::min(1.0f, std::max(0.0f, t));
    const float dx = p.x - (a.x + abx * t);
    const float dy = p.y - (a.y + aby * t);
    return std::sqrt(dx * dx + dy * dy);
}

} // namespace

float ShapePainter::polygonDistance(const std::vector<Point>& polygon, Point p)
{
    float d = 1e9f;
    bool inside = false;
    for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const Point a = polygon[i];
        const Point b = polygon[j];
        d = std::min(d, segmentDistance(a, b, p));
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) {
            inside = !inside;
        }
    }
    return inside ? -d : d;
}

float ShapePainter::roundedRectDistance(float left, float top, float right, float bottom, float radius, Point p)
{
    const float cx = (left + right) * 0.5f;
    const float cy = (top + bottom) * 0.5f;
    const float hx = (right - left) * 0.5f - radius;
    const float hy = (bottom - top) * 0.5f - radius;
    const float qx = std::fabs(p.x - cx) - hx;
    const float qy = std::fabs(p.y - cy) - hy;
    const float ox = std::max(qx, 0.0f);
    const float oy = std::max(qy, 0.0f);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - radius;
}

void ShapePainter::polygon(Image& image, const std::vector<Point>& points, const Colour& fill, const Colour& outline,
                           float outlineWidth)
{
    paint(
        image, [&](Point p) { return polygonDistance(points, p); }, fill, outline, outlineWidth);
}

void ShapePainter::circle(Image& image, Point centre, float radius, const Colour& fill, const Colour& outline,
                          float outlineWidth)
{
    paint(
        image,
        [&](Point p) {
            return std::sqrt((p.x - centre.x) * (p.x - centre.x) + (p.y - centre.y) * (p.y - centre.y)) - radius;
        },
        fill, outline, outlineWidth);
}

void ShapePainter::ring(Image& image, Point centre, float radius, float thickness, const Colour& colour)
{
    paint(
        image,
        [&](Point p) {
            const float r = std::sqrt((p.x - centre.x) * (p.x - centre.x) + (p.y - centre.y) * (p.y - centre.y));
            return std::fabs(r - radius) - thickness * 0.5f;
        },
        colour, colour, 0.0f);
}

void ShapePainter::line(Image& image, Point a, Point b, float width, const Colour& colour)
{
    paint(
        image, [&](Point p) { return segmentDistance(a, b, p) - width * 0.5f; }, colour, colour, 0.0f);
}

} // namespace BV
