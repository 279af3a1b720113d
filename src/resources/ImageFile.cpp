#include "resources/ImageFile.h"

#include <cstdio>

#include <FreeImage.h>

#include "app/Log.h"

namespace BV {

namespace {

// Brings any decoded bitmap to 32-bit BGRA; null if FreeImage cannot. The
// source is released unless it is returned.
FIBITMAP* widenTo32Bits(FIBITMAP* source)
{
    if (FreeImage_GetImageType(source) != FIT_BITMAP) {
        // 16-bit grey, 48/64-bit colour and float images first become
        // standard 8-bit-per-channel bitmaps.
        FIBITMAP* standard = FreeImage_ConvertToType(source, FIT_BITMAP, TRUE);
        FreeImage_Unload(source);
        if (!standard) {
            return nullptr;
        }
        source = standard;
    }
    if (FreeImage_GetBPP(source) == 32) {
        return source;
    }
    FIBITMAP* widened = FreeImage_ConvertTo32Bits(source);
    FreeImage_Unload(source);
    return widened;
}

// Reads the file for FreeImage and remembers whether a read came up short:
// some decoders (DDS, BMP, TGA) return a whole image from a file that ends
// early, filled with whatever the buffer held.
struct TrackedFile {
    std::FILE* file = nullptr;
    bool endedEarly = false;
};

unsigned DLL_CALLCONV readTracked(void* buffer, unsigned size, unsigned count, fi_handle handle)
{
    auto* tracked = static_cast<TrackedFile*>(handle);
    const std::size_t read = std::fread(buffer, size, count, tracked->file);
    if (read < count) {
        tracked->endedEarly = true;
    }
    return static_cast<unsigned>(read);
}

int DLL_CALLCONV seekTracked(fi_handle handle, long offset, int origin)
{
    return std::fseek(static_cast<TrackedFile*>(handle)->file, offset, origin);
}

long DLL_CALLCONV tellTracked(fi_handle handle)
{
    return std::ftell(static_cast<TrackedFile*>(handle)->file);
}

// Formats whose decoders read exactly the bytes the image needs, so that a
// short read means the file is cut off. Others read ahead in blocks (JPEG)
// and always end short.
bool readsExactly(FREE_IMAGE_FORMAT format)
{
    return format == FIF_DDS || format == FIF_BMP || format == FIF_TARGA;
}

// Formats whose files always begin with a signature that FreeImage checks.
bool hasSignature(FREE_IMAGE_FORMAT format)
{
    return format == FIF_DDS || format == FIF_PNG || format == FIF_BMP || format == FIF_GIF || format == FIF_JPEG;
}

// The decoded file, or null when FreeImage cannot decode it or an exactly
// reading decoder ran out of file.
FIBITMAP* loadWhole(FREE_IMAGE_FORMAT format, const std::string& file)
{
    TrackedFile tracked;
    tracked.file = std::fopen(file.c_str(), "rb");
    if (!tracked.file) {
        return nullptr;
    }
    FreeImageIO io{&readTracked, nullptr, &seekTracked, &tellTracked};
    FIBITMAP* decoded = FreeImage_LoadFromHandle(format, &io, &tracked, 0);
    std::fclose(tracked.file);
    if (decoded && tracked.endedEarly && readsExactly(format)) {
        FreeImage_Unload(decoded);
        return nullptr;
    }
    return decoded;
}

} // namespace

ImageFile::~ImageFile()
{
    unload();
}

void ImageFile::unload()
{
    if (bitmap) {
        FreeImage_Unload(bitmap);
        bitmap = nullptr;
    }
    width = 0;
    height = 0;
    sourceBpp = 0;
}

bool ImageFile::fail(const std::string& file, const char* reason)
{
    unload();
    failure = reason;
    // ImageFile failures are below the log threshold: a failed texture shows
    // only in its state, the cube-map loader names the face itself.
    Log::getInstance().write("Failed to load Texture: " + file + ": " + reason, TRACE);
    return false;
}

bool ImageFile::decode(const std::string& file)
{
    unload();
    failure.clear();
    FREE_IMAGE_FORMAT format = FreeImage_GetFileType(file.c_str(), 0);
    const bool recognised = format != FIF_UNKNOWN;
    if (!recognised) {
        format = FreeImage_GetFIFFromFilename(file.c_str());
    }
    if (format == FIF_UNKNOWN) {
        return fail(file, "Unkown File Format.");
    }
    if (!FreeImage_FIFSupportsReading(format)) {
        return fail(file, "Could not load data.");
    }
    // A file of such a format always starts with its signature, which the
    // content check looks for; without it the file cannot be one, and the DDS
    // decoder would take any bytes for a header (sizes of terabytes).
    FIBITMAP* decoded = recognised || !hasSignature(format) ? loadWhole(format, file) : nullptr;
    if (!decoded || !FreeImage_HasPixels(decoded) || FreeImage_GetWidth(decoded) == 0 ||
        FreeImage_GetHeight(decoded) == 0) {
        if (decoded) {
            FreeImage_Unload(decoded);
        }
        return fail(file, "Loaded Data is invalid.");
    }
    const int decodedBpp = static_cast<int>(FreeImage_GetBPP(decoded));
    bitmap = widenTo32Bits(decoded);
    if (!bitmap || !FreeImage_GetBits(bitmap)) {
        return fail(file, "Loaded Data is invalid.");
    }
    width = static_cast<int>(FreeImage_GetWidth(bitmap));
    height = static_cast<int>(FreeImage_GetHeight(bitmap));
    sourceBpp = decodedBpp;
    return true;
}

const void* ImageFile::getPixels() const
{
    return bitmap ? FreeImage_GetBits(bitmap) : nullptr;
}

} // namespace BV
