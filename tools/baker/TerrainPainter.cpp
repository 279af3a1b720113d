#include "TerrainPainter.h"

#include <algorithm>
#include <cmath>

#include "Noise.h"
#include "game/TerrainAtlas.h"

namespace BV {

namespace {

// The triangle's corners inside a cell, where the planet's mesh puts them.
constexpr const float (&corners)[3][2] = TerrainAtlas::cornerCoords;
const float twoPi = 6.2831853f;

float smoothstep(float a, float b, float x)
{
    const float t = std::min(1.0f, std::max(0.0f, (x - a) / (b - a)));
    return t * t * (3.0f - 2.0f * t);
}

Colour shade(const Colour& c, float k)
{
    return {c.r * k, c.g * k, c.b * k, 1.0f};
}

// Barycentric weights of (u, v) in the corner triangle; negative outside.
void barycentric(float u, float v, float w[3])
{
    const float x0 = corners[0][0], y0 = corners[0][1];
    const float x1 = corners[1][0], y1 = corners[1][1];
    const float x2 = corners[2][0], y2 = corners[2][1];
    const float det = (y1 - y2) * (x0 - x2) + (x2 - x1) * (y0 - y2);
    w[0] = ((y1 - y2) * (u - x2) + (x2 - x1) * (v - y2)) / det;
    w[1] = ((y2 - y0) * (u - x2) + (x0 - x2) * (v - y2)) / det;
    w[2] = 1.0f - w[0] - w[1];
}

// Distance of (u, v) to the border between its nearest corner's tile and
// the next nearest one; nearest receives the nearest corner. Tile borders
// are the perpendicular bisectors between the corners.
float borderDistance(float u, float v, int* nearest, float signedToward[3][3])
{
    float d2[3];
    for (int i = 0; i < 3; ++i) {
        const float du = u - corners[i][0];
        const float dv = v - corners[i][1];
        d2[i] = du * du + dv * dv;
    }
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            const float du = corners[i][0] - corners[j][0];
            const float dv = corners[i][1] - corners[j][1];
            const float len = std::sqrt(du * du + dv * dv);
            signedToward[i][j] = i == j ? 0.0f : (d2[j] - d2[i]) / (2.0f * len);
        }
    }
    int best = 0;
    for (int i = 1; i < 3; ++i) {
        if (d2[i] < d2[best]) {
            best = i;
        }
    }
    float distance = 1e9f;
    for (int j = 0; j < 3; ++j) {
        if (j != best) {
            distance = std::min(distance, signedToward[best][j]);
        }
    }
    *nearest = best;
    return distance;
}

} // namespace

TerrainPainter::TerrainPainter()
{
    buildTables();
}

void TerrainPainter::buildTables()
{
    const std::vector<float> broad = Noise(11u).table(tableSize, 4, 4);
    const std::vector<float> fine = Noise(12u).table(tableSize, 32, 3);
    const std::vector<float> clumps = Noise(13u).table(tableSize, 16, 3);
    blendNoise = Noise(14u).table(tableSize, 8, 3);
    const std::size_t count = static_cast<std::size_t>(tableSize * tableSize);
    for (std::uint32_t t = 0; t < TerrainAtlas::typeCount; ++t) {
        colourTable[t].resize(count);
        heightTable[t].resize(count);
    }
    for (int y = 0; y < tableSize; ++y) {
        for (int x = 0; x < tableSize; ++x) {
            const std::size_t i = static_cast<std::size_t>(y * tableSize + x);
            const float n1 = broad[i];
            const float n2 = fine[i];
            const float n3 = clumps[i];
            const float fx = static_cast<float>(x) / tableSize;
            const float fy = static_cast<float>(y) / tableSize;
            // Water: a clear, saturated blue, well away from the moor's
            // purple, with long, shallow wave streaks.
            const float wave = 0.5f + 0.5f * std::sin(twoPi * (4.0f * fx - 3.0f * fy) + n1 * 9.0f);
            colourTable[0][i] = mix({0.02f, 0.16f, 0.46f, 1.0f}, {0.06f, 0.33f, 0.70f, 1.0f}, n1 * 0.8f + wave * 0.2f);
            heightTable[0][i] = 0.25f * wave + 0.1f * n2;
            // Grassland: bright meadow green with darker tufts.
            const Colour grass =
                mix({0.36f, 0.64f, 0.20f, 1.0f}, {0.24f, 0.48f, 0.13f, 1.0f}, smoothstep(0.35f, 0.7f, n1));
            colourTable[1][i] = shade(grass, 0.88f + 0.24f * n2);
            heightTable[1][i] = 0.5f * n2 + 0.3f * n1;
            // Desert: golden sand in wind ripples.
            const float ripple = 0.5f + 0.5f * std::sin(twoPi * (6.0f * fx + 2.0f * fy) + n1 * 10.0f);
            const Colour sand = mix({0.93f, 0.78f, 0.47f, 1.0f}, {0.82f, 0.62f, 0.33f, 1.0f}, n1);
            colourTable[2][i] = shade(sand, 0.92f + 0.12f * ripple);
            heightTable[2][i] = 0.6f * ripple + 0.2f * n1;
            // Moor: purple heather clumps over brown peat.
            const float heather = smoothstep(0.4f, 0.6f, n3 * 0.7f + n1 * 0.3f);
            const Colour moor = mix({0.40f, 0.27f, 0.20f, 1.0f}, {0.58f, 0.26f, 0.56f, 1.0f}, heather);
            colourTable[3][i] = shade(moor, 0.85f + 0.3f * n2);
            heightTable[3][i] = 0.6f * n3 + 0.4f * n2;
            // Mountains: grey rock, snow on the high parts.
            const float ridge = 1.0f - std::fabs(2.0f * n1 - 1.0f);
            const float high = ridge * 0.6f + n2 * 0.4f;
            const Colour rock = shade({0.55f, 0.53f, 0.51f, 1.0f}, 0.75f + 0.4f * n2);
            colourTable[4][i] = mix(rock, {0.95f, 0.96f, 1.0f, 1.0f}, smoothstep(0.74f, 0.8f, high));
            heightTable[4][i] = 1.6f * high;
        }
    }
}

TerrainPainter::Sample TerrainPainter::terrainAt(int type, int x, int y) const
{
    const std::size_t i = static_cast<std::size_t>((y & (tableSize - 1)) * tableSize + (x & (tableSize - 1)));
    return {colourTable[type][i], heightTable[type][i]};
}

void TerrainPainter::paintAtlas(int size, Image* colour, Image* normals) const
{
    std::vector<float> heights(static_cast<std::size_t>(size) * static_cast<std::size_t>(size), 0.0f);
    const float cellsPerPixel = 1.0f / (TerrainAtlas::cellSize * static_cast<float>(size));
    const int cellsPerRow = static_cast<int>(TerrainAtlas::cellsPerRow);
    for (int y = 0; y < size; ++y) {
        const float cellV = (static_cast<float>(size - y) - 0.5f) * cellsPerPixel;
        const int row = static_cast<int>(cellV);
        for (int x = 0; x < size; ++x) {
            const float cellU = (static_cast<float>(x) + 0.5f) * cellsPerPixel;
            const int column = static_cast<int>(cellU);
            const int cell = row * cellsPerRow + column;
            if (column >= cellsPerRow || cell >= static_cast<int>(TerrainAtlas::cellCount)) {
                colour->set(x, y, {0.5f, 0.5f, 0.5f, 1.0f});
                continue;
            }
            int types[3];
            for (int k = 0; k < 3; ++k) {
                types[k] = static_cast<int>(TerrainAtlas::cornerType(static_cast<std::uint32_t>(cell), k));
            }
            float w[3];
            barycentric(cellU - static_cast<float>(column), cellV - static_cast<float>(row), w);
            // The whole cell is painted (the triangle extended), so that
            // filtering at the triangle's rim finds matching colours.
            float centre = 27.0f;
            for (float& wi : w) {
                wi = std::max(0.0f, wi);
                centre *= wi;
            }
            // Noise bends the borders inside the triangle but fades out on its
            // edges, where the neighbouring triangle must show the same blend.
            const float wobble = 0.45f * std::sqrt(std::min(1.0f, centre));
            float total = 0.0f;
            for (int k = 0; k < 3; ++k) {
                const float n = blendNoise[static_cast<std::size_t>(((y + 97 * k) & (tableSize - 1)) * tableSize +
                                                                    ((x + 53 * k) & (tableSize - 1)))];
                w[k] = std::max(0.0f, w[k] + wobble * (n - 0.5f));
                w[k] = w[k] * w[k] * w[k] * w[k];
                total += w[k];
            }
            Colour c{0.0f, 0.0f, 0.0f, 1.0f};
            float h = 0.0f;
            for (int k = 0; k < 3; ++k) {
                const float share = total > 0.0f ? w[k] / total : 1.0f / 3.0f;
                const Sample s = terrainAt(types[k], x, y);
                c.r += s.colour.r * share;
                c.g += s.colour.g * share;
                c.b += s.colour.b * share;
                h += s.height * share;
            }
            colour->set(x, y, c);
            heights[static_cast<std::size_t>(y * size + x)] = h;
        }
    }
    const float strength = 2.5f;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            auto at = [&](int px, int py) {
                px = std::min(size - 1, std::max(0, px));
                py = std::min(size - 1, std::max(0, py));
                return heights[static_cast<std::size_t>(py * size + px)];
            };
            const float du = at(x + 1, y) - at(x - 1, y);
            const float dv = at(x, y - 1) - at(x, y + 1); // row y - 1 is further up in v
            float n[3] = {-du * strength, -dv * strength, 1.0f};
            const float len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
            normals->set(x, y, {n[0] / len * 0.5f + 0.5f, n[1] / len * 0.5f + 0.5f, n[2] / len * 0.5f + 0.5f, 1.0f});
        }
    }
}

Image TerrainPainter::grid(int size)
{
    Image image(size, size);
    const float pixel = 1.0f / static_cast<float>(size);
    const float halfWidth = 1.6f * pixel;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            int nearest = 0;
            float toward[3][3];
            const float d = borderDistance(image.columnToU(x), image.rowToV(y), &nearest, toward);
            const float line = 1.0f - smoothstep(halfWidth - pixel, halfWidth + pixel, d);
            image.set(x, y, {1.0f, 1.0f, 1.0f, line * 0.85f});
        }
    }
    return image;
}

Image TerrainPainter::border(int size)
{
    Image image(size, size);
    const float pixel = 1.0f / static_cast<float>(size);
    const float seam = 1.5f * pixel;
    const float band = 0.09f;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            int nearest = 0;
            float toward[3][3];
            const float d = borderDistance(image.columnToU(x), image.rowToV(y), &nearest, toward);
            float share[3];
            float total = 0.0f;
            for (int i = 0; i < 3; ++i) {
                share[i] = 1.0f;
                for (int j = 0; j < 3; ++j) {
                    if (j != i) {
                        share[i] *= smoothstep(-seam, seam, toward[i][j]);
                    }
                }
                total += share[i];
            }
            const float glow = 1.0f - smoothstep(0.0f, band, d);
            image.set(x, y, {share[0] / total, share[1] / total, share[2] / total, glow * glow});
        }
    }
    return image;
}

} // namespace BV
