#pragma once

#include <string>

struct FIBITMAP;

namespace BV {

// One image file decoded by FreeImage and widened to 32-bit BGRA pixels,
// rows bottom-up as OpenGL expects them. Every decoded depth (1, 4, 8-bit
// paletted, 16, 24, 32 bits, 16-bit grey, 48/64-bit colour) ends up as
// width * height * 4 bytes, so an upload as GL_BGRA never reads past them.
class ImageFile {
public:
    ImageFile() = default;
    ~ImageFile();
    ImageFile(const ImageFile&) = delete;
    ImageFile& operator=(const ImageFile&) = delete;

    // The format is found from the content first, then from the file name.
    // On failure the reason ("Unkown File Format.", "Could not load data."
    // or "Loaded Data is invalid.") is in getFailure().
    bool decode(const std::string& file);

    const void* getPixels() const;
    int getWidth() const { return width; }
    int getHeight() const { return height; }
    // The depth the file decoded to, before widening.
    int getSourceBpp() const { return sourceBpp; }
    const std::string& getFailure() const { return failure; }

private:
    bool fail(const std::string& file, const char* reason);
    void unload();

    FIBITMAP* bitmap = nullptr; // owned; 32 bits per pixel once decoded
    int width = 0;
    int height = 0;
    int sourceBpp = 0;
    std::string failure;
};

} // namespace BV
