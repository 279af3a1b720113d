#pragma once

// The reference-picture comparison of the frame benchmark: whether a faster
// renderer still draws the same frame. Header-only, as every .cpp file in
// this folder is a program of its own.

#include <FreeImage.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace BV::testkit {

// A picture as glReadPixels gives it: tightly packed RGBA8, bottom row first.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgba;
};

// How far one picture is from another, colour channels only (alpha is not
// shown on screen).
struct ImageDifference {
    bool sameSize = false;
    double meanAbsolute[3] = {0.0, 0.0, 0.0}; // per channel, in 1/255 steps
    double worstMeanAbsolute = 0.0;           // the largest of the three
    // Share (0 to 1) of pixels with some channel further apart than the
    // threshold given to compareImages.
    double shareBeyond = 0.0;
};

namespace imagecompare {

// FreeImage's byte order inside a 32-bit pixel, in RGBA order.
inline const int CHANNELS[4] = {FI_RGBA_RED, FI_RGBA_GREEN, FI_RGBA_BLUE, FI_RGBA_ALPHA};

} // namespace imagecompare

// Writes the image as a PNG at path; false, with nothing written, on failure.
inline bool writePng(const std::string& path, const Image& image)
{
    if (image.width <= 0 || image.height <= 0 ||
        image.rgba.size() != static_cast<std::size_t>(image.width) * image.height * 4) {
        return false;
    }
    FIBITMAP* bitmap = FreeImage_Allocate(image.width, image.height, 32);
    if (!bitmap) {
        return false;
    }
    // FreeImage's scan line 0 is the bottom row, as in glReadPixels.
    for (int y = 0; y < image.height; ++y) {
        BYTE* row = FreeImage_GetScanLine(bitmap, y);
        const unsigned char* pixel = &image.rgba[static_cast<std::size_t>(y) * image.width * 4];
        for (int x = 0; x < image.width; ++x, pixel += 4) {
            for (int c = 0; c < 4; ++c) {
                row[x * 4 + imagecompare::CHANNELS[c]] = pixel[c];
            }
        }
    }
    const bool saved = FreeImage_Save(FIF_PNG, bitmap, path.c_str()) != 0;
    FreeImage_Unload(bitmap);
    return saved;
}

// Reads a PNG (any picture FreeImage reads) into RGBA8; false when it cannot.
inline bool readPng(const std::string& path, Image& image)
{
    const FREE_IMAGE_FORMAT format = FreeImage_GetFileType(path.c_str(), 0);
    FIBITMAP* loaded = format == FIF_UNKNOWN ? nullptr : FreeImage_Load(format, path.c_str(), 0);
    if (!loaded) {
        return false;
    }
    FIBITMAP* bitmap = FreeImage_ConvertTo32Bits(loaded);
    FreeImage_Unload(loaded);
    if (!bitmap) {
        return false;
    }
    image.width = static_cast<int>(FreeImage_GetWidth(bitmap));
    image.height = static_cast<int>(FreeImage_GetHeight(bitmap));
    image.rgba.resize(static_cast<std::size_t>(image.width) * image.height * 4);
    for (int y = 0; y < image.height; ++y) {
        const BYTE* row = FreeImage_GetScanLine(bitmap, y);
        unsigned char* pixel = &image.rgba[static_cast<std::size_t>(y) * image.width * 4];
        for (int x = 0; x < image.width; ++x, pixel += 4) {
            for (int c = 0; c < 4; ++c) {
                pixel[c] = row[x * 4 + imagecompare::CHANNELS[c]];
            }
        }
    }
    FreeImage_Unload(bitmap);
    return true;
}

// `threshold` in 1/255 steps: a pixel counts as differing when one of its
// colour channels is more than that far off.
inline ImageDifference compareImages(const Image& a, const Image& b, int threshold)
{
    ImageDifference difference;
    difference.sameSize = a.width == b.width && a.height == b.height && a.rgba.size() == b.rgba.size();
    const std::size_t pixels = a.rgba.size() / 4;
    if (!difference.sameSize || pixels == 0) {
        return difference;
    }
    double sums[3] = {0.0, 0.0, 0.0};
    std::size_t beyond = 0;
    for (std::size_t i = 0; i < pixels; ++i) {
        int worst = 0;
        for (int c = 0; c < 3; ++c) {
            const int d = std::abs(int(a.rgba[i * 4 + c]) - int(b.rgba[i * 4 + c]));
            sums[c] += d;
            worst = std::max(worst, d);
        }
        beyond += worst > threshold ? 1 : 0;
    }
    for (int c = 0; c < 3; ++c) {
        difference.meanAbsolute[c] = sums[c] / static_cast<double>(pixels);
        difference.worstMeanAbsolute = std::max(difference.worstMeanAbsolute, difference.meanAbsolute[c]);
    }
    difference.shareBeyond = static_cast<double>(beyond) / static_cast<double>(pixels);
    return difference;
}

} // namespace BV::testkit
