#pragma once

#include <string>

#include "Image.h"

namespace BV {

// Renders text with FreeType from one TrueType font into images: white
// colour, alpha = glyph coverage. Only single-byte (ASCII) text is needed.
class TextPainter {
public:
    TextPainter();
    ~TextPainter();
    TextPainter(const TextPainter&) = delete;
    TextPainter& operator=(const TextPainter&) = delete;

    // Tries the bold DejaVu face, then the regular one; false if neither opens.
    bool open();
    const std::string& fontPath() const { return path; }

    // The text on a transparent image as wide as its advance and as high as
    // the font's ascent plus descent at this pixel size; ascent receives the
    // baseline's row.
    Image render(const std::string& text, int pixelSize, int* ascent) const;
    int measure(const std::string& text, int pixelSize) const;

    // Draws the text with its baseline at row baseline, starting at column x.
    void draw(Image& target, const std::string& text, int pixelSize, int x, int baseline, const Colour& colour) const;
    // As draw, horizontally centred on column centreX.
    void drawCentred(Image& target, const std::string& text, int pixelSize, int centreX, int baseline,
                     const Colour& colour) const;

private:
    void* library = nullptr; // FT_Library, owned; released in ~TextPainter
    void* face = nullptr;    // FT_Face, owned; released in ~TextPainter
    std::string path;
};

} // namespace BV
