#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BakedImage.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using BV::testkit::BakedImage;

// The baker lands next to the run directory in the build tree.
std::string bakerPath()
{
    return (fs::path(BV_RUN_DIR).parent_path() / "tools" / "bv_bake").string();
}

int runBaker(const std::string& arguments)
{
    const std::string command = "'" + bakerPath() + "' " + arguments + " > /dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Expected {
    const char* path;
    int width;
    int height;
};

const Expected bakedImages[] = {
    {"textures/cubemap/galaxy_px.dds", 1024, 1024},
    {"textures/cubemap/galaxy_nx.dds", 1024, 1024},
    {"textures/cubemap/galaxy_py.dds", 1024, 1024},
    {"textures/cubemap/galaxy_ny.dds", 1024, 1024},
    {"textures/cubemap/galaxy_pz.dds", 1024, 1024},
    {"textures/cubemap/galaxy_nz.dds", 1024, 1024},
    {"textures/cubemap/clouds.dds", 512, 512},
    {"textures/ui/debug.dds", 300, 174},
    {"textures/ui/debug_fields.dds", 160, 70},
    {"textures/planet_halo.dds", 512, 512},
    {"textures/lensflare/flare1.dds", 256, 256},
    {"textures/lensflare/flare2.dds", 256, 256},
    {"textures/lensflare/flare3.dds", 256, 256},
    {"textures/lensflare/flare4.dds", 256, 256},
    {"textures/swarm.dds", 64, 64},
    {"textures/planet_tileset.dds", 2048, 2048},
    {"textures/planet_tileset_normals.dds", 2048, 2048},
    {"textures/planet_grid.dds", 512, 512},
    {"textures/planet_border.dds", 512, 512},
    {"textures/status/building.dds", 256, 256},
    {"textures/status/full.dds", 256, 256},
    {"textures/gameOver.dds", 1024, 768},
    {"textures/gameWon.dds", 1024, 768},
    {"textures/cursor/default.dds", 32, 32},
    {"textures/cursor/attack.dds", 32, 32},
    {"textures/cursor/build.dds", 32, 32},
    {"textures/cursor/select.dds", 32, 32},
};

float luminance(const BakedImage::Rgba& c)
{
    return 0.2126f * c.r + 0.7152f * c.g + 0.0722f * c.b;
}

float distance(const BakedImage::Rgba& a, const BakedImage::Rgba& b)
{
    return std::sqrt((a.r - b.r) * (a.r - b.r) + (a.g - b.g) * (a.g - b.g) + (a.b - b.b) * (a.b - b.b));
}

TEST(BakedAssets, EveryImageLoadsThroughFreeImageAs32BitWithItsSize)
{
    for (const Expected& e : bakedImages) {
        const BakedImage image(std::string("resources/") + e.path);
        ASSERT_TRUE(image.loaded()) << e.path;
        EXPECT_EQ(32, image.bitsPerPixel()) << e.path;
        EXPECT_EQ(e.width, image.width()) << e.path;
        EXPECT_EQ(e.height, image.height()) << e.path;
    }
}

TEST(BakedAssets, CubeMapListNamesSixExistingFacesInGlOrder)
{
    const std::string text = BV::testkit::readFile("resources/textures/cubemap/galaxy.xcm");
    const std::vector<std::string> lines = BV::testkit::splitLines(text);
    const char* order[6] = {"_px.dds", "_nx.dds", "_py.dds", "_ny.dds", "_pz.dds", "_nz.dds"};
    ASSERT_EQ(6u, lines.size());
    for (int i = 0; i < 6; ++i) {
        const std::string& line = lines[static_cast<std::size_t>(i)];
        // Lines are taken whole as file names: no trailing blanks or carriage returns.
        EXPECT_EQ(std::string::npos, line.find_first_of(" \t\r")) << line;
        EXPECT_EQ(0u, line.rfind("resources/textures/cubemap/", 0)) << line;
        EXPECT_NE(std::string::npos, line.find(order[i])) << line;
        EXPECT_TRUE(fs::is_regular_file(line)) << line;
    }
}

TEST(BakedAssets, BakingTwiceGivesIdenticalBytes)
{
    BV::testkit::ScratchDir first;
    BV::testkit::ScratchDir second;
    ASSERT_EQ(0, runBaker("'" + first.path() + "'"));
    ASSERT_EQ(0, runBaker("'" + second.path() + "'"));
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(first.path())) {
        if (!entry.is_regular_file()) {
            continue;
        }
        const std::string rel = fs::relative(entry.path(), first.path()).string();
        const std::string a = BV::testkit::readFile(entry.path().string());
        const std::string b = BV::testkit::readFile(second.file(rel));
        EXPECT_FALSE(a.empty()) << rel;
        EXPECT_TRUE(a == b) << rel << " differs between two bakes";
        ++files;
    }
    // 27 images, the cube-map list and the tower model.
    EXPECT_EQ(29, files);
}

TEST(BakedAssets, BakerFailsWithoutADirectoryOrWhenItCannotWrite)
{
    EXPECT_EQ(1, runBaker(""));
    BV::testkit::ScratchDir scratch;
    BV::testkit::writeFile(scratch.file("blocker"), "a file where a directory should be");
    EXPECT_EQ(1, runBaker("'" + scratch.file("blocker") + "'"));
}

TEST(BakedAssets, StarFieldHasDarkSkyAndBrightStarsOnEveryFace)
{
    const char* faces[6] = {"px", "nx", "py", "ny", "pz", "nz"};
    for (const char* face : faces) {
        const BakedImage image(std::string("resources/textures/cubemap/galaxy_") + face + ".dds");
        ASSERT_TRUE(image.loaded());
        int dark = 0;
        int bright = 0;
        for (int y = 0; y < image.height(); y += 1) {
            for (int x = 0; x < image.width(); x += 1) {
                const float l = luminance(image.at(x, y));
                dark += l < 0.08f ? 1 : 0;
                bright += l > 0.5f ? 1 : 0;
            }
        }
        const int total = image.width() * image.height();
        EXPECT_GT(dark, total * 9 / 10) << face;
        EXPECT_GT(bright, 20) << face;
        EXPECT_LT(bright, total / 100) << face;
        if (std::string(face) == "px") {
            image.savePreview("baked_galaxy_px");
        }
    }
}

TEST(BakedAssets, CubeFacesMatchAlongASharedEdge)
{
    // +X's right column (z = -1) meets -Z's left column, row by row.
    const BakedImage px("resources/textures/cubemap/galaxy_px.dds");
    const BakedImage nz("resources/textures/cubemap/galaxy_nz.dds");
    ASSERT_TRUE(px.loaded() && nz.loaded());
    const int n = px.width();
    float shared = 0.0f;
    float unrelated = 0.0f;
    for (int y = 0; y < n; ++y) {
        shared += distance(px.at(n - 1, y), nz.at(0, y));
        unrelated += distance(px.at(n - 1, y), nz.at(n - 1, y));
    }
    EXPECT_LT(shared / n, 0.01f);
    EXPECT_LT(shared, unrelated * 0.5f);
}

// Atlas cell of corner types (t0, t1, t2) and the memory position of one of
// its triangle corners.
void cornerPixel(const BakedImage& atlas, int t0, int t1, int t2, int corner, int* x, int* row)
{
    const double s = 0.083251953125;
    const double cu[3] = {0.5, 0.979, 0.021};
    const double cv[3] = {0.1, 0.93, 0.93};
    // Stay a little inside the triangle, towards its centre.
    const double u = cu[corner] * 0.85 + 0.5 * 0.15;
    const double v = cv[corner] * 0.85 + 0.6533 * 0.15;
    const int cell = 25 * t0 + 5 * t2 + t1;
    *x = static_cast<int>(((cell % 12) + u) * s * atlas.width());
    *row = static_cast<int>(((cell / 12) + v) * s * atlas.height());
}

TEST(BakedAssets, TerrainTypesAreDistinctAtTheirCorners)
{
    const BakedImage atlas("resources/textures/planet_tileset.dds");
    ASSERT_TRUE(atlas.loaded());
    atlas.savePreview("baked_planet_tileset");
    std::vector<BakedImage::Rgba> pure;
    for (int t = 0; t < 5; ++t) {
        int x = 0;
        int row = 0;
        cornerPixel(atlas, t, t, t, 0, &x, &row);
        pure.push_back(atlas.meanAround(x, row, 4));
    }
    // Water is blue; every land type differs clearly from water and each other.
    EXPECT_GT(pure[0].b, pure[0].r + 0.2f);
    for (int a = 0; a < 5; ++a) {
        for (int b = a + 1; b < 5; ++b) {
            EXPECT_GT(distance(pure[static_cast<std::size_t>(a)], pure[static_cast<std::size_t>(b)]), 0.15f)
                << "types " << a << " and " << b;
        }
    }
    // Types (0, 4, 0): water at corners 0 and 2, mountains at corner 1; the
    // atlas must follow the cell order 25 t0 + 5 t2 + t1 and v growing upwards.
    for (int corner = 0; corner < 3; ++corner) {
        int x = 0;
        int row = 0;
        cornerPixel(atlas, 0, 4, 0, corner, &x, &row);
        const BakedImage::Rgba c = atlas.meanAround(x, row, 3);
        const BakedImage::Rgba& expected = pure[corner == 1 ? 4u : 0u];
        const BakedImage::Rgba& other = pure[corner == 1 ? 0u : 4u];
        EXPECT_LT(distance(c, expected), distance(c, other)) << "corner " << corner;
    }
}

TEST(BakedAssets, TerrainNormalsPointOutOfTheSurface)
{
    const BakedImage normals("resources/textures/planet_tileset_normals.dds");
    ASSERT_TRUE(normals.loaded());
    int tilted = 0;
    for (int i = 0; i < 500; ++i) {
        const BakedImage::Rgba c = normals.at((i * 37) % 2000, (i * 53) % 1800);
        const float nx = c.r * 2 - 1, ny = c.g * 2 - 1, nz = c.b * 2 - 1;
        EXPECT_GT(nz, 0.3f);
        EXPECT_NEAR(1.0f, std::sqrt(nx * nx + ny * ny + nz * nz), 0.03f);
        tilted += nz < 0.995f ? 1 : 0;
    }
    EXPECT_GT(tilted, 100); // bumpy, not flat
}

TEST(BakedAssets, StatisticsAtlasCellsHoldInkInsideTheirRows)
{
    const BakedImage fields("resources/textures/ui/debug_fields.dds");
    ASSERT_TRUE(fields.loaded());
    fields.savePreview("baked_debug_fields");
    const int rowHeight = fields.height() / 5;
    auto ink = [&](int x0, int x1, int r0, int r1) {
        int count = 0;
        for (int y = r0; y < r1; ++y) {
            for (int x = x0; x < x1; ++x) {
                count += fields.at(x, y).a > 0.5f ? 1 : 0;
            }
        }
        return count;
    };
    // Digits in the top row (v 0.8 to 1.0), one per tenth of the width, each different.
    const int cell = fields.width() / 10;
    std::vector<std::vector<bool>> masks;
    for (int d = 0; d < 10; ++d) {
        EXPECT_GT(ink(d * cell, (d + 1) * cell, 4 * rowHeight, 5 * rowHeight), 12) << "digit " << d;
        std::vector<bool> mask;
        for (int y = 4 * rowHeight; y < 5 * rowHeight; ++y) {
            for (int x = d * cell; x < (d + 1) * cell; ++x) {
                mask.push_back(fields.at(x, y).a > 0.5f);
            }
        }
        for (const auto& earlier : masks) {
            EXPECT_NE(earlier, mask) << "digit " << d;
        }
        masks.push_back(mask);
    }
    const int half = fields.width() / 2;
    EXPECT_GT(ink(0, half, 3 * rowHeight, 4 * rowHeight), 12);              // on
    EXPECT_GT(ink(half, fields.width(), 3 * rowHeight, 4 * rowHeight), 12); // off
    for (int band = 0; band < 3; ++band) {
        EXPECT_GT(ink(0, fields.width(), band * rowHeight, (band + 1) * rowHeight), 30) << band;
    }
    // Nothing reaches the first or last line of a band, so filtering never
    // pulls a neighbouring row into a drawn cell.
    for (int band = 0; band < 5; ++band) {
        EXPECT_EQ(0, ink(0, fields.width(), band * rowHeight, band * rowHeight + 1)) << band;
        EXPECT_EQ(0, ink(0, fields.width(), (band + 1) * rowHeight - 1, (band + 1) * rowHeight)) << band;
    }
}

TEST(BakedAssets, HaloGlowsAroundThePlanetOutline)
{
    const BakedImage halo("resources/textures/planet_halo.dds");
    ASSERT_TRUE(halo.loaded());
    halo.savePreview("baked_planet_halo");
    const int c = halo.width() / 2;
    // The planet (radius 200) fills 200 / 290 of the 580-unit billboard's half size.
    const int rim = static_cast<int>(c * 200.0f / 290.0f);
    const BakedImage::Rgba atRim = halo.at(c + rim + 2, c);
    EXPECT_GT(atRim.a, 0.6f);
    EXPECT_GT(atRim.b, atRim.r);
    EXPECT_LT(halo.at(c, c).a, 0.05f);
    EXPECT_LT(halo.at(c + rim + 2, c).a * 0.5f, atRim.a);
    EXPECT_EQ(0.0f, halo.at(0, 0).a);
    EXPECT_LT(halo.at(halo.width() - 2, c).a, 0.05f);
}

TEST(BakedAssets, CursorsPointWithTheirTopLeftPixel)
{
    const char* names[4] = {"default", "attack", "build", "select"};
    for (const char* name : names) {
        const BakedImage cursor(std::string("resources/textures/cursor/") + name + ".dds");
        ASSERT_TRUE(cursor.loaded());
        // The picture's top row is the last row in memory.
        const int top = cursor.height() - 1;
        EXPECT_GT(cursor.at(1, top - 1).a, 0.5f) << name;
        EXPECT_EQ(0.0f, cursor.at(cursor.width() - 1, top).a) << name;
    }
}

TEST(BakedAssets, SignsAndEndScreensCarryOpaqueWords)
{
    const char* names[4] = {"status/building", "status/full", "gameOver", "gameWon"};
    for (const char* name : names) {
        const BakedImage image(std::string("resources/textures/") + name + ".dds");
        ASSERT_TRUE(image.loaded());
        image.savePreview(std::string("baked_") + (std::string(name).find('/') != std::string::npos
                                                       ? std::string(name).substr(7)
                                                       : std::string(name)));
        int opaque = 0;
        for (int y = 0; y < image.height(); y += 2) {
            for (int x = 0; x < image.width(); x += 2) {
                opaque += image.at(x, y).a > 0.95f ? 1 : 0;
            }
        }
        EXPECT_GT(opaque, 500) << name;
    }
}

} // namespace
