#include <gtest/gtest.h>

#include <FreeImage.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using BV::testkit::readFile;

// A baked image read back through FreeImage exactly as the game reads it.
// Rows are counted as the game uploads them: row 0 is the first in memory.
struct BakedImage {
    explicit BakedImage(const std::string& path)
        : bitmap(FreeImage_Load(FreeImage_GetFileType(path.c_str()), path.c_str()), &FreeImage_Unload)
    {
    }
    int width() const { return static_cast<int>(FreeImage_GetWidth(bitmap.get())); }
    int height() const { return static_cast<int>(FreeImage_GetHeight(bitmap.get())); }
    // Red, green, blue and alpha from 0 to 1; the game uploads BGRA rows.
    std::vector<float> at(int x, int row) const
    {
        const BYTE* p = FreeImage_GetBits(bitmap.get()) + (static_cast<long>(row) * width() + x) * 4;
        return {p[2] / 255.0f, p[1] / 255.0f, p[0] / 255.0f, p[3] / 255.0f};
    }
    std::unique_ptr<FIBITMAP, decltype(&FreeImage_Unload)> bitmap;
};

TEST(BakedAssets, EveryImageLoadsThroughFreeImageAs32BitWithItsSize)
{
    // Names sharing one size, separated by blanks.
    const struct {
        const char* names;
        int width, height;
    } groups[] = {
        {"cubemap/galaxy_px cubemap/galaxy_nx cubemap/galaxy_py cubemap/galaxy_ny cubemap/galaxy_pz cubemap/galaxy_nz",
         1024, 1024},
        {"cubemap/clouds planet_halo planet_grid planet_border", 512, 512},
        {"ui/debug", 300, 174},
        {"ui/debug_fields", 160, 70},
        {"ui/count_digits", 240, 32},
        {"lensflare/flare1 lensflare/flare2 lensflare/flare3 lensflare/flare4 status/building status/full", 256, 256},
        {"swarm", 64, 64},
        {"planet_tileset planet_tileset_normals", 2048, 2048},
        {"gameOver gameWon", 1024, 768},
        {"ui/paused", 512, 160},
        {"cursor/default cursor/attack cursor/build cursor/select", 32, 32},
    };
    int count = 0;
    for (const auto& [names, width, height] : groups) {
        std::istringstream in(names);
        for (std::string name; in >> name; ++count) {
            const std::string path = "resources/textures/" + name + ".dds";
            const BakedImage image(path);
            ASSERT_TRUE(image.bitmap) << path;
            EXPECT_EQ(32u, FreeImage_GetBPP(image.bitmap.get())) << path;
            EXPECT_EQ(width, image.width()) << path;
            EXPECT_EQ(height, image.height()) << path;
        }
    }
    EXPECT_EQ(29, count);
}

TEST(BakedAssets, CubeMapListNamesSixExistingFacesInGlOrder)
{
    const std::vector<std::string> lines = BV::testkit::splitLines(readFile("resources/textures/cubemap/galaxy.xcm"));
    const char* order[6] = {"_px.dds", "_nx.dds", "_py.dds", "_ny.dds", "_pz.dds", "_nz.dds"};
    ASSERT_EQ(6u, lines.size());
    for (int i = 0; i < 6; ++i) {
        const std::string& line = lines[static_cast<std::size_t>(i)];
        // Lines are taken whole as file names: no trailing blanks or carriage returns.
        EXPECT_EQ(std::string::npos, line.find_first_of(" \t\r")) << line;
        EXPECT_NE(std::string::npos, line.find(order[i])) << line;
        EXPECT_TRUE(fs::is_regular_file(line)) << line;
    }
}

TEST(BakedAssets, BakingTwiceGivesIdenticalBytes)
{
    const std::string baker = (fs::path(BV_RUN_DIR).parent_path() / "tools" / "bv_bake").string();
    BV::testkit::ScratchDir first, second;
    for (const BV::testkit::ScratchDir* dir : {&first, &second}) {
        ASSERT_EQ(0, std::system(("'" + baker + "' '" + dir->path() + "' > /dev/null 2>&1").c_str()));
    }
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(first.path())) {
        if (entry.is_regular_file()) {
            const std::string rel = fs::relative(entry.path(), first.path()).string();
            const std::string a = readFile(entry.path().string());
            EXPECT_FALSE(a.empty()) << rel;
            EXPECT_TRUE(a == readFile(second.file(rel))) << rel << " differs between two bakes";
            ++files;
        }
    }
    EXPECT_EQ(31, files) << "29 images, the cube-map list and the tower model";
}

// A sign's square is centred over its tower: the signs are compact badges in
// the upper right corner and leave the lower left half clear.
TEST(BakedAssets, StatusSignsAreCornerBadgesAndStarFieldsDarkSkyWithBrightStars)
{
    for (const char* name : {"building", "full"}) {
        SCOPED_TRACE(name);
        const BakedImage image(std::string("resources/textures/status/") + name + ".dds");
        ASSERT_TRUE(image.bitmap);
        const int w = image.width(), h = image.height();
        int opaque = 0;
        double sumX = 0.0, sumUp = 0.0; // upwards as shown: the last row is the picture's top
        float lowerLeft = 0.0f;
        for (int row = 0; row < h; ++row) {
            for (int x = 0; x < w; ++x) {
                const float alpha = image.at(x, row)[3];
                if (x + row < w) {
                    lowerLeft = std::max(lowerLeft, alpha);
                }
                if (alpha > 0.5f) {
                    ++opaque;
                    sumX += x;
                    sumUp += row;
                }
            }
        }
        EXPECT_LT(lowerLeft, 0.1f);
        EXPECT_GT(opaque, w * h / 10);
        EXPECT_LT(opaque, w * h * 3 / 10);
        EXPECT_GT(sumX / opaque, w * 0.6);
        EXPECT_GT(sumUp / opaque, h * 0.6);
    }
    // Every star field face is dark sky with a few bright stars.
    for (const char* face : {"px", "nx", "py", "ny", "pz", "nz"}) {
        const BakedImage image(std::string("resources/textures/cubemap/galaxy_") + face + ".dds");
        ASSERT_TRUE(image.bitmap) << face;
        int dark = 0, bright = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const std::vector<float> c = image.at(x, y);
                const float l = 0.2126f * c[0] + 0.7152f * c[1] + 0.0722f * c[2]; // luminance
                dark += l < 0.08f ? 1 : 0;
                bright += l > 0.5f ? 1 : 0;
            }
        }
        const int total = image.width() * image.height();
        EXPECT_GT(dark, total * 9 / 10) << face;
        EXPECT_GT(bright, 20) << face;
        EXPECT_LT(bright, total / 100) << face;
    }
}

// The hexagon ghost of the lens flare must not pass for an outlined tile: no
// rim, brightest in the middle, never brighter further out along any ray.
// The end screens carry a third line of text, the hint that Escape closes
// the game, below the title and the sentence.
TEST(BakedAssets, FlareGhostHasNoRimAndEndScreensTellHowToClose)
{
    const BakedImage ghost("resources/textures/lensflare/flare3.dds");
    ASSERT_TRUE(ghost.bitmap);
    const int half = ghost.width() / 2;
    for (int ray = 0; ray < 24; ++ray) {
        const double angle = ray * 3.14159265 / 12.0 + 0.1;
        float previous = 1.0f;
        for (int step = 0; step < half; ++step) {
            const std::vector<float> c = ghost.at(half + static_cast<int>(step * std::cos(angle)),
                                                  half + static_cast<int>(step * std::sin(angle)));
            const float level = std::max({c[0], c[1], c[2]});
            ASSERT_LE(level, previous + 1.5f / 255.0f) << "ray " << ray << " step " << step;
            previous = std::min(previous, level);
        }
    }
    for (const char* name : {"gameOver", "gameWon"}) {
        const BakedImage screen(std::string("resources/textures/") + name + ".dds");
        ASSERT_TRUE(screen.bitmap) << name;
        int lit = 0; // light text pixels in the rows of the hint (row 0 is the picture's bottom)
        for (int row = screen.height() - 545; row < screen.height() - 520; ++row) {
            for (int x = 0; x < screen.width(); ++x) {
                lit += screen.at(x, row)[1] > 0.5f && screen.at(x, row)[3] > 0.5f ? 1 : 0;
            }
        }
        EXPECT_GT(lit, 800) << name;
    }
}

} // namespace
