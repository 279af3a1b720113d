#include "InterfacePainter.h"

#include <algorithm>
#include <cmath>
#include <functional>
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

// The status signs float over their tower as a square billboard that is
// centred on the tower's axis, so from the usual view straight down onto the
// planet the middle of the square lies over the tower itself. The picture is
// therefore one round badge in the upper right corner, with everything else
// clear, and made to read at a dozen pixels: one colour, a thick dark rim, a
// single bold symbol, and a soft shadow that lifts it off bright ground.
Image signBadge(const Colour& fill, const std::function<void(Image&, Point, float)>& symbol)
{
    const int s = 256;
    Image image(s, s);
    const Point centre{s * 0.725f, s * 0.275f};
    const float radius = s * 0.25f;
    Image disc(s, s);
    ShapePainter::circle(disc, centre, radius, {1.0f, 1.0f, 1.0f, 1.0f}, {1.0f, 1.0f, 1.0f, 1.0f}, 0.0f);
    image.draw(disc.blurredAlpha(6), 0, 0, {0.0f, 0.0f, 0.0f, 0.55f});
    ShapePainter::circle(image, centre, radius, fill, ink, 11.0f);
    symbol(image, centre, radius);
    return image;
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

Image InterfacePainter::countDigits() const
{
    const int cell = 24;
    Image digits(cell * 10, 32);
    Image rim(cell * 10, 32);
    for (int d = 0; d < 10; ++d) {
        const std::string s(1, static_cast<char>('0' + d));
        const int centre = d * cell + cell / 2;
        text.drawCentred(digits, s, 24, centre, 25, {1.0f, 1.0f, 1.0f, 1.0f});
        // A solid rim two pixels wide: the glyph stamped around its outline.
        for (int dy = -2; dy <= 2; ++dy) {
            for (int dx = -2; dx <= 2; ++dx) {
                if (dx * dx + dy * dy <= 5) {
                    text.drawCentred(rim, s, 24, centre + dx, 25 + dy, {1.0f, 1.0f, 1.0f, 1.0f});
                }
            }
        }
    }
    Image image(cell * 10, 32);
    image.draw(rim.blurredAlpha(1), 0, 0, {0.0f, 0.0f, 0.0f, 0.6f});
    image.draw(rim, 0, 0, {0.02f, 0.02f, 0.04f, 0.95f});
    image.draw(digits, 0, 0, {1.0f, 0.95f, 0.62f, 1.0f});
    return image;
}

// Under construction: a yellow badge with a black hourglass.
Image InterfacePainter::constructionSign() const
{
    return signBadge({0.98f, 0.80f, 0.10f, 1.0f}, [](Image& image, Point c, float r) {
        const float w = r * 0.42f;
        const float h = r * 0.5f;
        ShapePainter::polygon(image, {{c.x - w, c.y - h}, {c.x + w, c.y - h}, {c.x, c.y}}, ink, ink, 0.0f);
        ShapePainter::polygon(image, {{c.x - w, c.y + h}, {c.x + w, c.y + h}, {c.x, c.y}}, ink, ink, 0.0f);
        const float bar = r * 0.14f;
        ShapePainter::line(image, {c.x - w - bar, c.y - h}, {c.x + w + bar, c.y - h}, bar * 1.3f, ink);
        ShapePainter::line(image, {c.x - w - bar, c.y + h}, {c.x + w + bar, c.y + h}, bar * 1.3f, ink);
    });
}

// Full: a green badge with a white plus, the mark of a tower that can found
// another (the build cursor carries the same plus).
Image InterfacePainter::fullSign() const
{
    return signBadge({0.10f, 0.68f, 0.22f, 1.0f}, [](Image& image, Point c, float r) {
        const float arm = r * 0.58f;
        const float width = r * 0.36f;
        const Colour white = {1.0f, 1.0f, 1.0f, 1.0f};
        ShapePainter::line(image, {c.x - arm, c.y}, {c.x + arm, c.y}, width, white);
        ShapePainter::line(image, {c.x, c.y - arm}, {c.x, c.y + arm}, width, white);
    });
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
        const float a = centre < 175.0f ? 0.7f : std::max(0.0f, 0.7f * (1.0f - (centre - 175.0f) / 60.0f));
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
    // There is no restart: the one thing left to do is to close the game.
    shadowedCentred(text, image, "Press Escape to close the game.", 28, w / 2, 540, {0.7f, 0.76f, 0.86f, 1.0f});
    return image;
}

Image InterfacePainter::pausedSign() const
{
    const int w = 512;
    const int h = 160;
    Image image(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float side = std::fabs(static_cast<float>(x) - w * 0.5f) / (w * 0.5f);
            const float edge = std::fabs(static_cast<float>(y) - h * 0.5f) / (h * 0.5f);
            const float a = 0.65f * std::min(1.0f, 4.0f * (1.0f - side)) * std::min(1.0f, 5.0f * (1.0f - edge));
            image.set(x, y, {0.0f, 0.0f, 0.0f, a});
        }
    }
    glowText(image, "PAUSED", fitSize("PAUSED", 84, 420), 98, {0.92f, 0.95f, 1.0f, 1.0f}, {0.35f, 0.6f, 1.0f, 0.9f}, 8);
    shadowedCentred(text, image, "P or Pause to go on", 22, w / 2, 136, {0.85f, 0.85f, 0.9f, 1.0f});
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
