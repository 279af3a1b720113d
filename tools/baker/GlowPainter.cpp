#include "GlowPainter.h"

#include <algorithm>
#include <cmath>

namespace BV {

namespace {

float smoothstep(float a, float b, float x)
{
    const float t = std::min(1.0f, std::max(0.0f, (x - a) / (b - a)));
    return t * t * (3.0f - 2.0f * t);
}

// Radius of the pixel's centre from the image centre, 1 at the edge midpoints.
float radiusAt(int x, int y, int size, float* angle)
{
    const float h = static_cast<float>(size) * 0.5f;
    const float dx = (static_cast<float>(x) + 0.5f - h) / h;
    const float dy = (static_cast<float>(y) + 0.5f - h) / h;
    if (angle != nullptr) {
        *angle = std::atan2(dy, dx);
    }
    return std::sqrt(dx * dx + dy * dy);
}

Colour light(float r, float g, float b, float intensity)
{
    const float k = std::max(0.0f, intensity);
    const float rr = std::min(1.0f, r * k);
    const float gg = std::min(1.0f, g * k);
    const float bb = std::min(1.0f, b * k);
    return {rr, gg, bb, std::max(rr, std::max(gg, bb))};
}

// Sun glare: hot core, wide soft glow and thin rays.
Colour glare(float r, float angle)
{
    const float core = std::exp(-r * r / 0.004f);
    const float glow = 0.35f / (1.0f + r * r * 60.0f);
    const float rays = std::pow(std::fabs(std::cos(angle * 6.0f)), 40.0f) * 0.6f +
                       std::pow(std::fabs(std::cos(angle * 6.0f + 0.26f)), 80.0f) * 0.3f;
    const float rayFade = std::exp(-r * 3.0f);
    const float total = (core + glow + rays * rayFade) * (1.0f - smoothstep(0.8f, 1.0f, r));
    return light(1.0f, 0.95f, 0.85f, total);
}

// A thin rainbow-edged ring, the classic reflection hoop.
Colour hoop(float r)
{
    const float width = 0.035f;
    const float red = std::exp(-std::pow((r - 0.80f) / width, 2.0f));
    const float green = std::exp(-std::pow((r - 0.77f) / width, 2.0f));
    const float blue = std::exp(-std::pow((r - 0.74f) / width, 2.0f));
    const float inner = 0.06f * smoothstep(0.2f, 0.75f, r) * (1.0f - smoothstep(0.75f, 0.8f, r));
    const float rr = std::min(1.0f, red * 0.35f + inner);
    const float gg = std::min(1.0f, green * 0.3f + inner);
    const float bb = std::min(1.0f, blue * 0.35f + inner * 1.2f);
    return {rr, gg, bb, std::max(rr, std::max(gg, bb))};
}

// A soft ghost of the lens's six-bladed aperture: a hexagon with rounded
// sides, brightest in its middle and fading out to nothing at its edge. It
// has no rim and no straight edge, so it never reads as an outlined tile.
Colour hexagon(float r, float angle)
{
    const float sector = 3.14159265f / 3.0f;
    const float a = std::fmod(angle + 3.14159265f, sector) - sector * 0.5f;
    const float hexRadius = r * std::cos(a) / std::cos(sector * 0.5f);
    const float rounded = 0.5f * (hexRadius + r);
    const float body = 1.0f - smoothstep(0.0f, 0.8f, rounded);
    return light(0.55f, 0.85f, 0.6f, body * body * 0.2f);
}

// A round ghost with a brighter, blue-tinted rim.
Colour disc(float r)
{
    const float body = (1.0f - smoothstep(0.55f, 0.85f, r)) * 0.12f;
    const float rim = std::exp(-std::pow((r - 0.7f) / 0.08f, 2.0f)) * 0.18f;
    return light(0.55f, 0.7f, 1.0f, body + rim);
}

} // namespace

Image GlowPainter::halo(int size, float haloSize, float planetRadius)
{
    Image image(size, size);
    // The billboard sits at the planet's centre and grows with the camera's
    // nearness so that the planet's outline always falls on the ring at
    // planetRadius of its half size (where it lies when seen from afar). The
    // glow peaks on that ring, stays faint over the planet's face (it is
    // added over the whole frame) and fades out into space.
    const float peak = planetRadius / (haloSize * 0.5f);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const float r = radiusAt(x, y, size, nullptr);
            float k = 0.0f;
            if (r < peak) {
                k = std::pow(smoothstep(peak * 0.8f, peak, r), 2.5f);
            } else {
                const float t = (r - peak) / (1.0f - peak);
                k = std::exp(-t * 3.0f) * (1.0f - smoothstep(0.75f, 1.0f, t));
            }
            image.set(x, y, light(0.42f, 0.68f, 1.0f, k * 0.75f));
        }
    }
    return image;
}

Image GlowPainter::flare(int index, int size)
{
    Image image(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            float angle = 0.0f;
            const float r = radiusAt(x, y, size, &angle);
            Colour c;
            switch (index) {
            case 1: c = glare(r, angle); break;
            case 2: c = hoop(r); break;
            case 3: c = hexagon(r, angle); break;
            default: c = disc(r); break;
            }
            if (r >= 1.0f) {
                c = Colour{};
            }
            image.set(x, y, c);
        }
    }
    return image;
}

Image GlowPainter::swarmDot(int size)
{
    Image image(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const float r = radiusAt(x, y, size, nullptr);
            const float k = std::exp(-r * r * 9.0f) * 0.85f + std::exp(-r * r * 40.0f) * 0.4f;
            image.set(x, y, light(1.0f, 1.0f, 1.0f, k * (1.0f - smoothstep(0.85f, 1.0f, r))));
        }
    }
    return image;
}

} // namespace BV
