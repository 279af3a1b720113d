#pragma once

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

// Writes the image as a PNG at path; false, with nothing written, on failure.
bool writePng(const std::string& path, const Image& image);
// Reads a PNG (any picture FreeImage reads) into RGBA8; false when it cannot.
bool readPng(const std::string& path, Image& image);

// `threshold` in 1/255 steps: a pixel counts as differing when one of its
// colour channels is more than that far off.
ImageDifference compareImages(const Image& a, const Image& b, int threshold);

} // namespace BV::testkit
