#include "BakedImage.h"

#include <FreeImage.h>

#include <algorithm>

namespace BV::testkit {

BakedImage::BakedImage(const std::string& path)
{
    FREE_IMAGE_FORMAT format = FreeImage_GetFileType(path.c_str(), 0);
    if (format == FIF_UNKNOWN) {
        format = FreeImage_GetFIFFromFilename(path.c_str());
    }
    if (format != FIF_UNKNOWN && FreeImage_FIFSupportsReading(format)) {
        bitmap = FreeImage_Load(format, path.c_str(), 0);
    }
}

BakedImage::~BakedImage()
{
    if (bitmap != nullptr) {
        FreeImage_Unload(bitmap);
    }
}

int BakedImage::width() const
{
    return static_cast<int>(FreeImage_GetWidth(bitmap));
}

int BakedImage::height() const
{
    return static_cast<int>(FreeImage_GetHeight(bitmap));
}

int BakedImage::bitsPerPixel() const
{
    return static_cast<int>(FreeImage_GetBPP(bitmap));
}

BakedImage::Rgba BakedImage::at(int x, int memoryRow) const
{
    // The game uploads FreeImage_GetBits as BGRA rows of width * 4 bytes.
    const BYTE* p = FreeImage_GetBits(bitmap) + (static_cast<long>(memoryRow) * width() + x) * 4;
    return {p[2] / 255.0f, p[1] / 255.0f, p[0] / 255.0f, p[3] / 255.0f};
}

BakedImage::Rgba BakedImage::meanAround(int x, int memoryRow, int radius) const
{
    Rgba sum{0, 0, 0, 0};
    int count = 0;
    for (int y = std::max(0, memoryRow - radius); y <= std::min(height() - 1, memoryRow + radius); ++y) {
        for (int i = std::max(0, x - radius); i <= std::min(width() - 1, x + radius); ++i) {
            const Rgba c = at(i, y);
            sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b, sum.a + c.a};
            ++count;
        }
    }
    const float n = static_cast<float>(std::max(1, count));
    return {sum.r / n, sum.g / n, sum.b / n, sum.a / n};
}

std::string BakedImage::savePreview(const std::string& name) const
{
    const std::string path = std::string(BV_TEST_OUTPUT_DIR) + "/" + name + ".png";
    FreeImage_Save(FIF_PNG, bitmap, path.c_str(), 0);
    return path;
}

} // namespace BV::testkit
