#include "TextPainter.h"

#include <ft2build.h>
#include FT_FREETYPE_H

namespace BV {

namespace {

const char* const fontCandidates[] = {
    "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
};

FT_Face asFace(void* face)
{
    return static_cast<FT_Face>(face);
}

} // namespace

TextPainter::TextPainter()
{
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib) == 0) {
        library = lib;
    }
}

TextPainter::~TextPainter()
{
    if (face != nullptr) {
        FT_Done_Face(asFace(face));
    }
    if (library != nullptr) {
        FT_Done_FreeType(static_cast<FT_Library>(library));
    }
}

bool TextPainter::open()
{
    if (library == nullptr) {
        return false;
    }
    for (const char* candidate : fontCandidates) {
        FT_Face f = nullptr;
        if (FT_New_Face(static_cast<FT_Library>(library), candidate, 0, &f) == 0) {
            face = f;
            path = candidate;
            return true;
        }
    }
    return false;
}

int TextPainter::measure(const std::string& text, int pixelSize) const
{
    FT_Face f = asFace(face);
    FT_Set_Pixel_Sizes(f, 0, static_cast<FT_UInt>(pixelSize));
    long pen = 0;
    FT_UInt previous = 0;
    for (unsigned char ch : text) {
        const FT_UInt glyph = FT_Get_Char_Index(f, ch);
        if (previous != 0 && glyph != 0 && FT_HAS_KERNING(f)) {
            FT_Vector kern;
            FT_Get_Kerning(f, previous, glyph, FT_KERNING_DEFAULT, &kern);
            pen += kern.x;
        }
        if (FT_Load_Glyph(f, glyph, FT_LOAD_DEFAULT) == 0) {
            pen += f->glyph->advance.x;
        }
        previous = glyph;
    }
    return static_cast<int>((pen + 63) >> 6);
}

Image TextPainter::render(const std::string& text, int pixelSize, int* ascent) const
{
    FT_Face f = asFace(face);
    const int width = measure(text, pixelSize) + 2;
    FT_Set_Pixel_Sizes(f, 0, static_cast<FT_UInt>(pixelSize));
    const int asc = static_cast<int>((f->size->metrics.ascender + 63) >> 6);
    const int desc = static_cast<int>((-f->size->metrics.descender + 63) >> 6);
    Image out(width, asc + desc);
    long pen = 0;
    FT_UInt previous = 0;
    for (unsigned char ch : text) {
        const FT_UInt glyph = FT_Get_Char_Index(f, ch);
        if (previous != 0 && glyph != 0 && FT_HAS_KERNING(f)) {
            FT_Vector kern;
            FT_Get_Kerning(f, previous, glyph, FT_KERNING_DEFAULT, &kern);
            pen += kern.x;
        }
        previous = glyph;
        if (FT_Load_Glyph(f, glyph, FT_LOAD_RENDER) != 0) {
            continue;
        }
        const FT_GlyphSlot slot = f->glyph;
        const FT_Bitmap& bm = slot->bitmap;
        const int left = static_cast<int>(pen >> 6) + slot->bitmap_left;
        const int top = asc - slot->bitmap_top;
        for (unsigned int row = 0; row < bm.rows; ++row) {
            for (unsigned int col = 0; col < bm.width; ++col) {
                const unsigned char v = bm.buffer[static_cast<int>(row) * bm.pitch + static_cast<int>(col)];
                if (v != 0) {
                    out.blend(left + static_cast<int>(col), top + static_cast<int>(row), {1.0f, 1.0f, 1.0f, 1.0f},
                              static_cast<float>(v) / 255.0f);
                }
            }
        }
        pen += slot->advance.x;
    }
    if (ascent != nullptr) {
        *ascent = asc;
    }
    return out;
}

void TextPainter::draw(Image& target, const std::string& text, int pixelSize, int x, int baseline,
                       const Colour& colour) const
{
    int ascent = 0;
    const Image glyphs = render(text, pixelSize, &ascent);
    target.draw(glyphs, x, baseline - ascent, colour);
}

void TextPainter::drawCentred(Image& target, const std::string& text, int pixelSize, int centreX, int baseline,
                              const Colour& colour) const
{
    draw(target, text, pixelSize, centreX - measure(text, pixelSize) / 2, baseline, colour);
}

} // namespace BV
