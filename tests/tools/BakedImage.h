#pragma once

#include <string>

struct FIBITMAP;

namespace BV::testkit {

// A baked image read back through FreeImage exactly as the game reads it.
// Rows are addressed as FreeImage hands them to OpenGL: row 0 is the first
// row in memory, which lands at texture coordinate v = 0.
class BakedImage {
public:
    explicit BakedImage(const std::string& path);
    ~BakedImage();
    BakedImage(const BakedImage&) = delete;
    BakedImage& operator=(const BakedImage&) = delete;

    bool loaded() const { return bitmap != nullptr; }
    int width() const;
    int height() const;
    int bitsPerPixel() const;

    struct Rgba {
        float r, g, b, a; // 0..1
    };
    Rgba at(int x, int memoryRow) const;
    // Mean over the (2 radius + 1)^2 pixels around (x, memoryRow), clipped.
    Rgba meanAround(int x, int memoryRow, int radius) const;

    // Writes a PNG of the image into the test output directory for people to
    // look at; returns its path.
    std::string savePreview(const std::string& name) const;

private:
    FIBITMAP* bitmap = nullptr; // owned; released in ~BakedImage
};

} // namespace BV::testkit
