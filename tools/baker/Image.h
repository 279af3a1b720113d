#pragma once

#include <string>
#include <vector>

namespace BV {

// Straight (not premultiplied) colour, every channel 0..1.
struct Colour {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 0.0f;
};

Colour mix(const Colour& from, const Colour& to, float t);

// A picture being painted, in floats so that effects can add up before the
// final rounding. Row 0 is the top row as the picture is seen; the game's
// image loader hands the rows to OpenGL bottom-up, so the top row ends up at
// texture coordinate v = 1 and the bottom row at v = 0.
class Image {
public:
    Image(int width, int height);

    int width() const { return w; }
    int height() const { return h; }

    Colour get(int x, int y) const;
    void set(int x, int y, const Colour& c);
    // Source-over blend of c scaled by coverage (0..1); ignores pixels
    // outside the picture so callers may paint across the borders.
    void blend(int x, int y, const Colour& c, float coverage);
    // Adds c's colour and alpha; used where light accumulates (stars, glows).
    void add(int x, int y, const Colour& c);
    void fill(const Colour& c);

    // Draws src (its alpha as coverage) with its top-left corner at (x, y);
    // tint multiplies src's colour and alpha.
    void draw(const Image& src, int x, int y, const Colour& tint);
    // A copy whose alpha is spread by three box-blur passes of the radius
    // (pixels); colour becomes white. Glows and soft shadows start from it.
    Image blurredAlpha(int radius) const;

    // Texture coordinate v of the centre of row y.
    float rowToV(int y) const { return 1.0f - (static_cast<float>(y) + 0.5f) / static_cast<float>(h); }
    float columnToU(int x) const { return (static_cast<float>(x) + 0.5f) / static_cast<float>(w); }

    // Writes an uncompressed 32-bit DDS (A8R8G8B8: bytes B, G, R, A per
    // pixel), top row first as the format stores it. Returns false when
    // the file cannot be written.
    bool saveDds(const std::string& path) const;

private:
    int w;
    int h;
    std::vector<Colour> pixels;
};

} // namespace BV
