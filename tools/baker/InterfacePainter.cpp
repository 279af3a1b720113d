#include "InterfacePainter.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "ShapePainter.h"
#include "TextPainter.h"

namespace BV {

namespace {

const Colour shadow = {0.0f, 0.0f, 0.0f, 0.75f};
const Colour ink = {0.04f, 0.04f, 0.06f, 1.0f};

// Text with a one-pixel drop shadow, so it reads on any background.
void shadowedText(const TextPainter& text, Image& image, const std::string& s, int size, int x, int baseline,
                  const Colour& colour)
{
    text.draw(image, s, size, x + 1, baseline + 1, shadow);
    text.draw(image, s, size, x, baseline, colour);
}

void shadowedCentred(const TextPainter& text, Image& image, const std::string& s, int size, int centreX, int baseline,
                     const Colour& colour)
{
    text.drawCentred(image, s, size, centreX + 1, baseline + 1, shadow);
    text.drawCentred(image, s, size, centreX, baseline, colour);
}

std::vector<Point> arrowShape()
{
    return {{1.0f, 1.0f}, {1.0f, 22.0f}, {6.0f, 17.5f}, {9.5f, 25.5f}, {13.0f, 24.0f}, {9.5f, 16.5f}, {16.0f, 16.0f}};
}

} // namespace

InterfacePainter::InterfacePainter(const TextPainter& text) : text(text) {}

int InterfacePainter::fitSize(const std::string& s, int maxSize, int width) const
{
    int size = maxSize;
    while (size > 6 && text.measure(s, size) > width) {
        --size;
    }
    return size;
}

Image InterfacePainter::statisticsPanel() const
{
    Image image(300, 174);
    ShapePainter::paint(
        image, [](Point p) { return ShapePainter::roundedRectDistance(0.5f, 0.5f, 299.5f, 173.5f, 8.0f, p); },
        {0.04f, 0.06f, 0.11f, 0.80f}, {0.45f, 0.65f, 0.95f, 0.95f}, 1.5f);
    const Colour title = {0.55f, 0.78f, 1.0f, 1.0f};
    const Colour label = {0.82f, 0.86f, 0.93f, 1.0f};
    const Colour hint = {0.5f, 0.56f, 0.66f, 1.0f};
    shadowedText(text, image, "STATISTICS", 12, 12, 20, title);
    shadowedText(text, image, "F2", 10, 270, 20, hint);
    // Label rows share their tops with the value rows drawn over the panel.
    struct Row {
        const char* name;
        const char* key;
        int top;
    };
    const Row rows[] = {{"Frames/s", "", 30},  {"Sampling", "F4", 50}, {"Mipmaps", "F5", 70},
                        {"Culling", "F8", 90}, {"Objects", "", 130},   {"Triangles", "", 150}};
    for (const Row& row : rows) {
        shadowedText(text, image, row.name, 12, 12, row.top + 11, label);
        shadowedText(text, image, row.key, 10, 90, row.top + 11, hint);
    }
    for (int x = 12; x < 288; ++x) {
        image.blend(x, 117, {0.45f, 0.65f, 0.95f, 0.5f}, 1.0f);
    }
    shadowedText(text, image, "LAST FRAME", 9, 12, 127, hint);
    return image;
}

Image InterfacePainter::statisticsFields() const
{
    const int width = 160;
    const int row = 14;
    Image image(width, row * 5);
    const int size = 12;
    const int baseline = 11; // capitals and digits centred in a 14-pixel row
    const Colour digit = {1.0f, 0.93f, 0.55f, 1.0f};
    for (int d = 0; d < 10; ++d) {
        const std::string s(1, static_cast<char>('0' + d));
        shadowedCentred(text, image, s, size, d * 16 + 7, baseline, digit);
    }
    shadowedCentred(text, image, "ON", size, width / 4, row + baseline, {0.55f, 1.0f, 0.55f, 1.0f});
    shadowedCentred(text, image, "OFF", size, width * 3 / 4, row + baseline, {1.0f, 0.55f, 0.5f, 1.0f});
    const Colour mode = {0.62f, 0.9f, 1.0f, 1.0f};
    shadowedText(text, image, "NEAREST", size, 2, 2 * row + baseline, mode);
    shadowedText(text, image, "LINEAR", size, 2, 3 * row + baseline, mode);
    shadowedText(text, image, "TRILINEAR", size, 2, 4 * row + baseline, mode);
    return image;
}

Image InterfacePainter::constructionSign() const
{
    const int s = 256;
    Image image(s, s);
    const float outer = 8.0f;
    const float inner = 34.0f;
    // Hazard-striped frame around a yellow plate.
    ShapePainter::paint(
        image, [&](Point p) { return ShapePainter::roundedRectDistance(outer, outer, s - outer, s - outer, 18.0f, p); },
        {0.98f, 0.78f, 0.08f, 1.0f}, ink, 4.0f);
    for (int y = 0; y < s; ++y) {
        for (int x = 0; x < s; ++x) {
            const Point p{static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f};
            const float band = ShapePainter::roundedRectDistance(inner, inner, s - inner, s - inner, 8.0f, p);
            const float frame = ShapePainter::roundedRectDistance(outer, outer, s - outer, s - outer, 18.0f, p);
            if (band > 0.0f && frame < -4.0f && std::fmod(p.x + p.y, 36.0f) < 18.0f) {
                image.blend(x, y, ink, std::min(1.0f, band));
            }
        }
    }
    ShapePainter::paint(
        image, [&](Point p) { return ShapePainter::roundedRectDistance(inner, inner, s - inner, s - inner, 8.0f, p); },
        {0.98f, 0.82f, 0.15f, 1.0f}, ink, 3.0f);
    const int width = s - 2 * static_cast<int>(inner) - 16;
    text.drawCentred(image, "UNDER", fitSize("UNDER", 60, width), s / 2, 124, ink);
    text.drawCentred(image, "CONSTRUCTION", fitSize("CONSTRUCTION", 40, width), s / 2, 168, ink);
    return image;
}

Image InterfacePainter::fullSign() const
{
    const int s = 256;
    Image image(s, s);
    ShapePainter::paint(
        image, [&](Point p) { return ShapePainter::roundedRectDistance(8.0f, 8.0f, s - 8.0f, s - 8.0f, 22.0f, p); },
        {0.12f, 0.55f, 0.22f, 1.0f}, {0.95f, 1.0f, 0.95f, 1.0f}, 10.0f);
    shadowedCentred(text, image, "FULL", fitSize("FULL", 96, s - 50), s / 2, 140, {1.0f, 1.0f, 1.0f, 1.0f});
    // A brimming garrison gauge under the word.
    ShapePainter::paint(
        image, [&](Point p) { return ShapePainter::roundedRectDistance(44.0f, 170.0f, s - 44.0f, 200.0f, 8.0f, p); },
        {0.55f, 1.0f, 0.45f, 1.0f}, {0.02f, 0.2f, 0.05f, 1.0f}, 3.0f);
    return image;
}

void InterfacePainter::glowText(Image& image, const std::string& s, int size, int baseline, const Colour& colour,
                                const Colour& glow, int glowRadius) const
{
    Image layer(image.width(), image.height());
    text.drawCentred(layer, s, size, image.width() / 2, baseline, {1.0f, 1.0f, 1.0f, 1.0f});
    image.draw(layer.blurredAlpha(glowRadius), 0, 0, glow);
    image.draw(layer, 0, 0, colour);
}

Image InterfacePainter::endScreen(bool won) const
{
    // 4:3, so at full window height the words stay inside any landscape window.
    const int w = 1024;
    const int h = 768;
    Image image(w, h);
    for (int y = 0; y < h; ++y) {
        const float centre = std::fabs(static_cast<float>(y) - 384.0f);
        const float a = centre < 150.0f ? 0.7f : std::max(0.0f, 0.7f * (1.0f - (centre - 150.0f) / 60.0f));
        for (int x = 0; x < w; ++x) {
            image.set(x, y, {0.0f, 0.0f, 0.0f, a});
        }
    }
    const std::string title = won ? "VICTORY" : "GAME OVER";
    const std::string line = won ? "The enemy holds no tower any more." : "All your towers have fallen.";
    const Colour colour = won ? Colour{1.0f, 0.86f, 0.35f, 1.0f} : Colour{0.95f, 0.22f, 0.16f, 1.0f};
    const Colour glow = won ? Colour{1.0f, 0.7f, 0.2f, 0.9f} : Colour{1.0f, 0.25f, 0.05f, 0.9f};
    glowText(image, title, fitSize(title, 160, 900), 410, colour, glow, 10);
    shadowedCentred(text, image, line, 34, w / 2, 480, {0.9f, 0.9f, 0.92f, 1.0f});
    return image;
}

Image InterfacePainter::cursor(int kind) const
{
    Image image(32, 32);
    const Colour fills[] = {
        {1.0f, 1.0f, 1.0f, 1.0f}, {1.0f, 0.62f, 0.55f, 1.0f}, {1.0f, 0.92f, 0.55f, 1.0f}, {0.75f, 1.0f, 0.78f, 1.0f}};
    const Colour dark = {0.03f, 0.03f, 0.05f, 1.0f};
    ShapePainter::polygon(image, arrowShape(), fills[kind], dark, 1.4f);
    const Point badge{23.0f, 23.0f};
    if (kind == 1) {
        // Attack: a red crosshair.
        const Colour red = {1.0f, 0.2f, 0.15f, 1.0f};
        ShapePainter::ring(image, badge, 5.5f, 4.2f, dark);
        ShapePainter::ring(image, badge, 5.5f, 2.0f, red);
        const Point ends[4][2] = {{{23.0f, 14.5f}, {23.0f, 18.5f}},
                                  {{23.0f, 27.5f}, {23.0f, 31.0f}},
                                  {{14.5f, 23.0f}, {18.5f, 23.0f}},
                                  {{27.5f, 23.0f}, {31.0f, 23.0f}}};
        for (const auto& e : ends) {
            ShapePainter::line(image, e[0], e[1], 3.6f, dark);
            ShapePainter::line(image, e[0], e[1], 1.6f, red);
        }
        ShapePainter::circle(image, badge, 1.4f, red, red, 0.0f);
    } else if (kind == 2) {
        // Build: a yellow plus.
        const Colour yellow = {1.0f, 0.85f, 0.1f, 1.0f};
        ShapePainter::line(image, {23.0f, 16.0f}, {23.0f, 30.0f}, 6.0f, dark);
        ShapePainter::line(image, {16.0f, 23.0f}, {30.0f, 23.0f}, 6.0f, dark);
        ShapePainter::line(image, {23.0f, 17.5f}, {23.0f, 28.5f}, 3.0f, yellow);
        ShapePainter::line(image, {17.5f, 23.0f}, {28.5f, 23.0f}, 3.0f, yellow);
    } else if (kind == 3) {
        // Select: a green ring.
        const Colour green = {0.3f, 1.0f, 0.4f, 1.0f};
        ShapePainter::ring(image, badge, 6.0f, 4.6f, dark);
        ShapePainter::ring(image, badge, 6.0f, 2.4f, green);
    }
    return image;
}

} // namespace BV
