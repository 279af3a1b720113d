#include "Image.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace BV {

namespace {

std::uint8_t toByte(float v)
{
    if (!(v > 0.0f)) {
        return 0; // also catches NaN
    }
    if (v >= 1.0f) {
        return 255;
    }
    return static_cast<std::uint8_t>(v * 255.0f + 0.5f);
}

void putU32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>((v >> (8 * i)) & 0xFFu));
    }
}

// The 128-byte DDS preamble: magic, then the 124-byte header describing an
// uncompressed A8R8G8B8 surface without mipmaps.
std::vector<std::uint8_t> ddsHeader(int width, int height)
{
    std::vector<std::uint8_t> out;
    putU32(out, 0x20534444u);                         // "DDS "
    putU32(out, 124u);                                // header size
    putU32(out, 0x1u | 0x2u | 0x4u | 0x8u | 0x1000u); // caps, height, width, pitch, pixel format
    putU32(out, static_cast<std::uint32_t>(height));
    putU32(out, static_cast<std::uint32_t>(width));
    putU32(out, static_cast<std::uint32_t>(width) * 4u); // pitch
    putU32(out, 0u);                                     // depth
    putU32(out, 0u);                                     // mipmap count
    for (int i = 0; i < 11; ++i) {
        putU32(out, 0u); // reserved
    }
    putU32(out, 32u);          // pixel format size
    putU32(out, 0x1u | 0x40u); // alpha pixels, RGB
    putU32(out, 0u);           // no FourCC
    putU32(out, 32u);          // bits per pixel
    putU32(out, 0x00FF0000u);  // red mask
    putU32(out, 0x0000FF00u);  // green mask
    putU32(out, 0x000000FFu);  // blue mask
    putU32(out, 0xFF000000u);  // alpha mask
    putU32(out, 0x1000u);      // caps: texture
    for (int i = 0; i < 4; ++i) {
        putU32(out, 0u); // caps2..4, reserved
    }
    return out;
}

} // namespace

Colour mix(const Colour& from, const Colour& to, float t)
{
    return {from.r + (to.r - from.r) * t, from.g + (to.g - from.g) * t, from.b + (to.b - from.b) * t,
            from.a + (to.a - from.a) * t};
}

Image::Image(int width, int height)
    : w(width), h(height), pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
{
}

Colour Image::get(int x, int y) const
{
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)];
}

void Image::set(int x, int y, const Colour& c)
{
    pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)] = c;
}

void Image::blend(int x, int y, const Colour& c, float coverage)
{
    if (x < 0 || y < 0 || x >= w || y >= h || coverage <= 0.0f) {
        return;
    }
    Colour& d = pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)];
    const float sa = std::min(1.0f, c.a * coverage);
    const float outA = sa + d.a * (1.0f - sa);
    if (outA <= 0.0f) {
        d = Colour{};
        return;
    }
    d.r = (c.r * sa + d.r * d.a * (1.0f - sa)) / outA;
    d.g = (c.g * sa + d.g * d.a * (1.0f - sa)) / outA;
    d.b = (c.b * sa + d.b * d.a * (1.0f - sa)) / outA;
    d.a = outA;
}

void Image::add(int x, int y, const Colour& c)
{
    if (x < 0 || y < 0 || x >= w || y >= h) {
        return;
    }
    Colour& d = pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)];
    d.r += c.r;
    d.g += c.g;
    d.b += c.b;
    d.a += c.a;
}

void Image::fill(const Colour& c)
{
    std::fill(pixels.begin(), pixels.end(), c);
}

void Image::draw(const Image& src, int x, int y, const Colour& tint)
{
    for (int sy = 0; sy < src.height(); ++sy) {
        for (int sx = 0; sx < src.width(); ++sx) {
            const Colour s = src.get(sx, sy);
            if (s.a <= 0.0f) {
                continue;
            }
            blend(x + sx, y + sy, {s.r * tint.r, s.g * tint.g, s.b * tint.b, tint.a}, s.a);
        }
    }
}

Image Image::blurredAlpha(int radius) const
{
    std::vector<float> a(pixels.size());
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        a[i] = pixels[i].a;
    }
    // Three box passes approximate a Gaussian closely enough for glows; each
    // pass keeps a running sum so the cost does not grow with the radius.
    auto boxPass = [&](std::vector<float>& data, int count, int lines, int step, int lineStep) {
        std::vector<float> line(static_cast<std::size_t>(count));
        for (int l = 0; l < lines; ++l) {
            float* base = data.data() + static_cast<std::ptrdiff_t>(l) * lineStep;
            for (int i = 0; i < count; ++i) {
                line[static_cast<std::size_t>(i)] = base[static_cast<std::ptrdiff_t>(i) * step];
            }
            float sum = 0.0f;
            for (int i = 0; i < std::min(radius, count); ++i) {
                sum += line[static_cast<std::size_t>(i)];
            }
            for (int i = 0; i < count; ++i) {
                if (i + radius < count) {
                    sum += line[static_cast<std::size_t>(i + radius)];
                }
                if (i - radius - 1 >= 0) {
                    sum -= line[static_cast<std::size_t>(i - radius - 1)];
                }
                base[static_cast<std::ptrdiff_t>(i) * step] = sum / static_cast<float>(2 * radius + 1);
            }
        }
    };
    for (int pass = 0; pass < 3; ++pass) {
        boxPass(a, w, h, 1, w);
        boxPass(a, h, w, w, 1);
    }
    Image out(w, h);
    for (std::size_t i = 0; i < a.size(); ++i) {
        out.pixels[i] = {1.0f, 1.0f, 1.0f, std::min(1.0f, a[i])};
    }
    return out;
}

bool Image::saveDds(const std::string& path) const
{
    std::vector<std::uint8_t> bytes = ddsHeader(w, h);
    const std::size_t headerSize = bytes.size();
    bytes.resize(headerSize + pixels.size() * 4);
    // Raw pointers keep this loop quick in unoptimised builds, where the
    // baker still runs on every fresh build.
    std::uint8_t* out = bytes.data() + headerSize;
    const Colour* in = pixels.data();
    for (std::size_t i = 0; i < pixels.size(); ++i, out += 4) {
        out[0] = toByte(in[i].b);
        out[1] = toByte(in[i].g);
        out[2] = toByte(in[i].r);
        out[3] = toByte(in[i].a);
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

} // namespace BV
