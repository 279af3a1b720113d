#include "SkyPainter.h"

#include <algorithm>
#include <cmath>

#include "Noise.h"
#include "Random.h"

namespace BV {

namespace {

const float galacticPole[3] = {0.32f, 0.87f, -0.37f}; // normal of the milky way's plane

float smoothstep(float a, float b, float x)
{
    const float t = std::min(1.0f, std::max(0.0f, (x - a) / (b - a)));
    return t * t * (3.0f - 2.0f * t);
}

void normalise(float v[3])
{
    const float len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    v[0] /= len;
    v[1] /= len;
    v[2] /= len;
}

float bandStrength(const float d[3])
{
    const float len = std::sqrt(galacticPole[0] * galacticPole[0] + galacticPole[1] * galacticPole[1] +
                                galacticPole[2] * galacticPole[2]);
    const float h = (d[0] * galacticPole[0] + d[1] * galacticPole[1] + d[2] * galacticPole[2]) / len;
    return std::exp(-(h * h) / (0.2f * 0.2f));
}

Colour starColour(float pick)
{
    if (pick < 0.12f) {
        return {0.70f, 0.80f, 1.00f, 1.0f}; // hot blue-white
    }
    if (pick < 0.55f) {
        return {0.96f, 0.97f, 1.00f, 1.0f};
    }
    if (pick < 0.80f) {
        return {1.00f, 0.94f, 0.80f, 1.0f};
    }
    if (pick < 0.93f) {
        return {1.00f, 0.80f, 0.58f, 1.0f};
    }
    return {1.00f, 0.62f, 0.48f, 1.0f}; // cool red giants
}

} // namespace

SkyPainter::SkyPainter(int faceSize) : size(faceSize)
{
    Random random(0x5EEDB0A7ull);
    // Even field of stars, then a second, fainter crowd that clusters in the band.
    const int evenCount = 14000;
    const int bandCandidates = 70000;
    for (int i = 0; i < evenCount + bandCandidates; ++i) {
        const float z = random.range(-1.0f, 1.0f);
        const float phi = random.range(0.0f, 6.2831853f);
        const float r = std::sqrt(std::max(0.0f, 1.0f - z * z));
        Star star;
        star.dir[0] = r * std::cos(phi);
        star.dir[1] = r * std::sin(phi);
        star.dir[2] = z;
        const float keep = random.uniform();
        const float u = random.uniform();
        const float pick = random.uniform();
        if (i >= evenCount && keep > bandStrength(star.dir) * 0.6f) {
            continue;
        }
        const bool faint = i >= evenCount;
        const float brightness = faint ? 0.05f + 0.25f * u * u : 0.06f + 1.1f * std::pow(u, 7.0f);
        const Colour c = starColour(pick);
        star.colour = {c.r * brightness, c.g * brightness, c.b * brightness, 1.0f};
        star.sigma = 0.45f + 0.55f * std::min(1.0f, brightness);
        star.spikes = brightness > 0.75f;
        stars.push_back(star);
    }
}

void SkyPainter::faceDirection(int index, float sc, float tc, float dir[3])
{
    switch (index) {
    case 0:
        dir[0] = 1.0f;
        dir[1] = -tc;
        dir[2] = -sc;
        break;
    case 1:
        dir[0] = -1.0f;
        dir[1] = -tc;
        dir[2] = sc;
        break;
    case 2:
        dir[0] = sc;
        dir[1] = 1.0f;
        dir[2] = tc;
        break;
    case 3:
        dir[0] = sc;
        dir[1] = -1.0f;
        dir[2] = -tc;
        break;
    case 4:
        dir[0] = sc;
        dir[1] = -tc;
        dir[2] = 1.0f;
        break;
    default:
        dir[0] = -sc;
        dir[1] = -tc;
        dir[2] = -1.0f;
        break;
    }
}

bool SkyPainter::projectToFace(int index, const float dir[3], float* sc, float* tc)
{
    const float x = dir[0];
    const float y = dir[1];
    const float z = dir[2];
    const float major[6] = {x, -x, y, -y, z, -z};
    const float ma = major[index];
    if (ma <= 1e-4f) {
        return false;
    }
    switch (index) {
    case 0:
        *sc = -z / ma;
        *tc = -y / ma;
        break;
    case 1:
        *sc = z / ma;
        *tc = -y / ma;
        break;
    case 2:
        *sc = x / ma;
        *tc = z / ma;
        break;
    case 3:
        *sc = x / ma;
        *tc = -z / ma;
        break;
    case 4:
        *sc = x / ma;
        *tc = -y / ma;
        break;
    default:
        *sc = -x / ma;
        *tc = -y / ma;
        break;
    }
    return true;
}

void SkyPainter::paintBackground(Image& image, int index) const
{
    // Sky glow is smooth, so it is computed on a coarse grid that includes the
    // face edges (equal directions on both faces of an edge) and interpolated.
    const int grid = 64;
    std::vector<Colour> coarse(static_cast<std::size_t>((grid + 1) * (grid + 1)));
    const Noise clouds(71u);
    const Noise dust(92u);
    const Noise tint(13u);
    for (int j = 0; j <= grid; ++j) {
        for (int i = 0; i <= grid; ++i) {
            float d[3];
            faceDirection(index, 2.0f * static_cast<float>(i) / grid - 1.0f, 1.0f - 2.0f * static_cast<float>(j) / grid,
                          d);
            normalise(d);
            const float band = bandStrength(d);
            const float n = clouds.fbm3(d[0] * 3.0f + 7.0f, d[1] * 3.0f, d[2] * 3.0f, 5);
            const float lane = smoothstep(0.45f, 0.65f, dust.fbm3(d[0] * 5.0f, d[1] * 5.0f + 3.0f, d[2] * 5.0f, 4));
            const float glow = band * (0.25f + 0.75f * n * n) * (1.0f - 0.7f * lane);
            const float hue = tint.fbm3(d[0] * 1.7f, d[1] * 1.7f, d[2] * 1.7f + 11.0f, 3);
            const float patch = smoothstep(0.55f, 0.8f, hue) * 0.035f;
            coarse[static_cast<std::size_t>(j * (grid + 1) + i)] = {0.006f + glow * 0.16f + patch * 0.9f,
                                                                    0.008f + glow * 0.15f + patch * 0.25f,
                                                                    0.018f + glow * 0.19f + patch * 1.1f, 1.0f};
        }
    }
    const float scale = static_cast<float>(grid) / static_cast<float>(size - 1);
    for (int y = 0; y < size; ++y) {
        const float gy = static_cast<float>(y) * scale;
        const int j = std::min(grid - 1, static_cast<int>(gy));
        const float ty = gy - static_cast<float>(j);
        for (int x = 0; x < size; ++x) {
            const float gx = static_cast<float>(x) * scale;
            const int i = std::min(grid - 1, static_cast<int>(gx));
            const float tx = gx - static_cast<float>(i);
            const Colour& a = coarse[static_cast<std::size_t>(j * (grid + 1) + i)];
            const Colour& b = coarse[static_cast<std::size_t>(j * (grid + 1) + i + 1)];
            const Colour& c = coarse[static_cast<std::size_t>((j + 1) * (grid + 1) + i)];
            const Colour& e = coarse[static_cast<std::size_t>((j + 1) * (grid + 1) + i + 1)];
            image.set(x, y, mix(mix(a, b, tx), mix(c, e, tx), ty));
        }
    }
}

void SkyPainter::splat(Image& image, const Star& star, float px, float py) const
{
    const int reach = star.spikes ? 9 : static_cast<int>(std::ceil(star.sigma * 3.0f));
    const int cx = static_cast<int>(std::lround(px));
    const int cy = static_cast<int>(std::lround(py));
    const float inv = 1.0f / (2.0f * star.sigma * star.sigma);
    for (int y = cy - reach; y <= cy + reach; ++y) {
        for (int x = cx - reach; x <= cx + reach; ++x) {
            if (x < 0 || y < 0 || x >= size || y >= size) {
                continue;
            }
            const float dx = static_cast<float>(x) - px;
            const float dy = static_cast<float>(y) - py;
            float k = std::exp(-(dx * dx + dy * dy) * inv);
            if (star.spikes) {
                // Thin diffraction cross, fading along its arms.
                const float arm =
                    std::exp(-std::min(dx * dx, dy * dy) * 3.0f) * std::exp(-std::sqrt(dx * dx + dy * dy) * 0.35f);
                k += 0.35f * arm;
            }
            image.add(x, y, {star.colour.r * k, star.colour.g * k, star.colour.b * k, 0.0f});
        }
    }
}

Image SkyPainter::face(int index) const
{
    Image image(size, size);
    paintBackground(image, index);
    const float half = static_cast<float>(size) * 0.5f;
    for (const Star& star : stars) {
        float sc = 0.0f;
        float tc = 0.0f;
        if (!projectToFace(index, star.dir, &sc, &tc)) {
            continue;
        }
        // Pixel centres: column x at sc = (x + 0.5) / size * 2 - 1; row y counts
        // down from t = 1, so tc = 1 - (y + 0.5) / size * 2.
        const float px = (sc + 1.0f) * half - 0.5f;
        const float py = (1.0f - tc) * half - 0.5f;
        const float margin = 10.0f;
        if (px < -margin || py < -margin || px > static_cast<float>(size) + margin ||
            py > static_cast<float>(size) + margin) {
            continue;
        }
        splat(image, star, px, py);
    }
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            Colour c = image.get(x, y);
            c.a = 1.0f;
            image.set(x, y, c);
        }
    }
    return image;
}

Image SkyPainter::clouds(int size)
{
    Image image(size, size);
    const Noise shape(301u);
    const Noise warp(302u);
    const Noise hue(303u);
    const float inv = 1.0f / static_cast<float>(size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const float u = (static_cast<float>(x) + 0.5f) * inv;
            const float v = (static_cast<float>(y) + 0.5f) * inv;
            // Domain warping gives the wispy, folded look of gas clouds.
            const float wx = warp.fbm(u * 4.0f, v * 4.0f, 4, 0) - 0.5f;
            const float wy = warp.fbm(u * 4.0f + 17.0f, v * 4.0f + 5.0f, 4, 0) - 0.5f;
            const float n = shape.fbm(u * 3.0f + wx * 2.5f, v * 3.0f + wy * 2.5f, 6, 0);
            const float density = smoothstep(0.42f, 0.78f, n);
            const float edge = std::min(std::min(u, 1.0f - u), std::min(v, 1.0f - v));
            const float fadeOut = smoothstep(0.0f, 0.22f, edge);
            const float h = hue.fbm(u * 2.0f, v * 2.0f, 3, 0);
            const Colour violet = {0.42f, 0.20f, 0.62f, 1.0f};
            const Colour rose = {0.75f, 0.28f, 0.48f, 1.0f};
            const Colour teal = {0.18f, 0.50f, 0.70f, 1.0f};
            Colour c =
                h < 0.5f ? mix(teal, violet, smoothstep(0.3f, 0.5f, h)) : mix(violet, rose, smoothstep(0.5f, 0.7f, h));
            const float core = smoothstep(0.7f, 0.95f, n);
            c = mix(c, {0.95f, 0.85f, 0.95f, 1.0f}, core * 0.35f);
            c.a = density * fadeOut * 0.6f;
            image.set(x, y, c);
        }
    }
    return image;
}

} // namespace BV
