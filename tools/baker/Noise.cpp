#include "Noise.h"

#include <cmath>

namespace BV {

namespace {

float fade(float t)
{
    return t * t * (3.0f - 2.0f * t);
}

float lerp(float a, float b, float t)
{
    return a + (b - a) * t;
}

int wrap(int v, int period)
{
    if (period <= 0) {
        return v;
    }
    const int m = v % period;
    return m < 0 ? m + period : m;
}

} // namespace

float Noise::lattice(int x, int y, int z) const
{
    std::uint32_t h = seed * 0x27D4EB2Du;
    h ^= static_cast<std::uint32_t>(x) * 0x85EBCA6Bu;
    h = (h << 13) | (h >> 19);
    h ^= static_cast<std::uint32_t>(y) * 0xC2B2AE35u;
    h = (h << 11) | (h >> 21);
    h ^= static_cast<std::uint32_t>(z) * 0x165667B1u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return static_cast<float>(h >> 8) * (1.0f / 16777215.0f);
}

float Noise::value(float x, float y, int period) const
{
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const int x0 = static_cast<int>(fx);
    const int y0 = static_cast<int>(fy);
    const float tx = fade(x - fx);
    const float ty = fade(y - fy);
    const int xa = wrap(x0, period);
    const int xb = wrap(x0 + 1, period);
    const int ya = wrap(y0, period);
    const int yb = wrap(y0 + 1, period);
    return lerp(lerp(lattice(xa, ya, 0), lattice(xb, ya, 0), tx), lerp(lattice(xa, yb, 0), lattice(xb, yb, 0), tx), ty);
}

float Noise::fbm(float x, float y, int octaves, int period) const
{
    float sum = 0.0f;
    float amplitude = 0.5f;
    float total = 0.0f;
    for (int i = 0; i < octaves; ++i) {
        sum += value(x, y, period) * amplitude;
        total += amplitude;
        x *= 2.0f;
        y *= 2.0f;
        period *= 2;
        amplitude *= 0.5f;
    }
    return sum / total;
}

float Noise::value3(float x, float y, float z) const
{
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const float fz = std::floor(z);
    const int x0 = static_cast<int>(fx);
    const int y0 = static_cast<int>(fy);
    const int z0 = static_cast<int>(fz);
    const float tx = fade(x - fx);
    const float ty = fade(y - fy);
    const float tz = fade(z - fz);
    const float a = lerp(lattice(x0, y0, z0), lattice(x0 + 1, y0, z0), tx);
    const float b = lerp(lattice(x0, y0 + 1, z0), lattice(x0 + 1, y0 + 1, z0), tx);
    const float c = lerp(lattice(x0, y0, z0 + 1), lattice(x0 + 1, y0, z0 + 1), tx);
    const float d = lerp(lattice(x0, y0 + 1, z0 + 1), lattice(x0 + 1, y0 + 1, z0 + 1), tx);
    return lerp(lerp(a, b, ty), lerp(c, d, ty), tz);
}

float Noise::fbm3(float x, float y, float z, int octaves) const
{
    float sum = 0.0f;
    float amplitude = 0.5f;
    float total = 0.0f;
    for (int i = 0; i < octaves; ++i) {
        sum += value3(x, y, z) * amplitude;
        total += amplitude;
        x *= 2.0f;
        y *= 2.0f;
        z *= 2.0f;
        amplitude *= 0.5f;
    }
    return sum / total;
}

std::vector<float> Noise::table(int size, int cells, int octaves) const
{
    std::vector<float> out(static_cast<std::size_t>(size) * static_cast<std::size_t>(size));
    const float scale = static_cast<float>(cells) / static_cast<float>(size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            out[static_cast<std::size_t>(y * size + x)] =
                fbm(static_cast<float>(x) * scale, static_cast<float>(y) * scale, octaves, cells);
        }
    }
    return out;
}

} // namespace BV
