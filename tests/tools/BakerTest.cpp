#include <gtest/gtest.h>

#include <FreeImage.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using BV::testkit::readFile;
using Colour = std::array<float, 4>; // red, green, blue and alpha from 0 to 1

// A baked image as the game reads it: BGRA rows, row 0 the picture's bottom.
struct BakedImage {
    explicit BakedImage(const std::string& name)
        : path("resources/textures/" + name + ".dds"),
          bitmap(FreeImage_Load(FreeImage_GetFileType(path.c_str()), path.c_str()), &FreeImage_Unload)
    {
    }
    int width() const { return static_cast<int>(FreeImage_GetWidth(bitmap.get())); }
    int height() const { return static_cast<int>(FreeImage_GetHeight(bitmap.get())); }
    Colour at(int x, int row) const
    {
        const BYTE* p = FreeImage_GetBits(bitmap.get()) + (static_cast<long>(row) * width() + x) * 4;
        return {p[2] / 255.0f, p[1] / 255.0f, p[0] / 255.0f, p[3] / 255.0f};
    }
    int count(const std::function<bool(int x, int row, const Colour&)>& pass) const
    {
        int n = 0;
        for (int row = 0; row < height(); ++row) {
            for (int x = 0; x < width(); ++x)
                n += pass(x, row, at(x, row)) ? 1 : 0;
        }
        return n;
    }
    std::string path;
    std::unique_ptr<FIBITMAP, decltype(&FreeImage_Unload)> bitmap;
};

TEST(BakedAssets, BakingTwiceGivesIdenticalBytesEveryImageAt32BitsOfItsSizeAndTheSkyFacesInOrder)
{
    const std::string baker = (fs::path(BV_RUN_DIR).parent_path() / "tools" / "bv_bake").string();
    BV::testkit::ScratchDir first, second;
    for (const BV::testkit::ScratchDir* dir : {&first, &second})
        ASSERT_EQ(0, std::system(("'" + baker + "' '" + dir->path() + "' > /dev/null 2>&1").c_str()));
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(first.path())) {
        const std::string rel = fs::relative(entry.path(), first.path()).string();
        if (entry.is_regular_file() && ++files) {
            EXPECT_FALSE(readFile(entry.path().string()).empty()) << rel;
            EXPECT_TRUE(readFile(entry.path().string()) == readFile(second.file(rel))) << rel << " differs";
        }
    }
    EXPECT_EQ(31, files) << "29 images, the cube-map list and the tower model";
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
    int images = 0;
    for (const auto& [names, width, height] : groups) {
        std::istringstream in(names);
        for (std::string name; in >> name; ++images) {
            const BakedImage image(name);
            ASSERT_TRUE(image.bitmap) << image.path;
            EXPECT_EQ(32u, FreeImage_GetBPP(image.bitmap.get())) << image.path;
            EXPECT_EQ(std::pair(width, height), std::pair(image.width(), image.height())) << image.path;
        }
    }
    EXPECT_EQ(29, images);
    // The sky's faces in GL's order, each line a whole file name.
    const std::vector<std::string> lines = BV::testkit::splitLines(readFile("resources/textures/cubemap/galaxy.xcm"));
    ASSERT_EQ(6u, lines.size());
    for (std::size_t i = 0; i < 6; ++i)
        EXPECT_EQ(lines[i], "resources/textures/cubemap/galaxy_" + std::string("pxnxpynypznz", 2 * i, 2) + ".dds");
}

// The signs are compact badges in the upper right corner, the lower left half clear (the square is centred over the
// tower). Every star field face is dark sky with a few bright stars. The lens flare's hexagon ghost must not pass for
// an outlined tile: no rim, never brighter further out along any ray. The end screens carry a third line of text below
// the title and the sentence: the hint that Escape closes the game.
TEST(BakedAssets, SignsStarsFlareGhostAndEndScreensReadAsMeant)
{
    for (const char* name : {"building", "full"}) {
        const BakedImage image(std::string("status/") + name);
        const int w = image.width(), h = image.height();
        EXPECT_EQ(image.count([&](int x, int row, const Colour& c) { return x + row < w && c[3] >= 0.1f; }), 0);
        double sumX = 0.0, sumUp = 0.0; // upwards as shown: the last row is the picture's top
        const int opaque = image.count(
            [&](int x, int row, const Colour& c) { return c[3] > 0.5f && (sumX += x, sumUp += row, true); });
        EXPECT_GT(opaque, w * h / 10) << name;
        EXPECT_LT(opaque, w * h * 3 / 10) << name;
        EXPECT_GT(sumX / opaque, w * 0.6) << name;
        EXPECT_GT(sumUp / opaque, h * 0.6) << name;
    }
    for (const char* face : {"px", "nx", "py", "ny", "pz", "nz"}) {
        const BakedImage image(std::string("cubemap/galaxy_") + face);
        const auto luminance = [](const Colour& c) { return 0.2126f * c[0] + 0.7152f * c[1] + 0.0722f * c[2]; };
        const int total = image.width() * image.height();
        const int bright = image.count([&](int, int, const Colour& c) { return luminance(c) > 0.5f; });
        EXPECT_GT(image.count([&](int, int, const Colour& c) { return luminance(c) < 0.08f; }), total * 9 / 10) << face;
        EXPECT_GT(bright, 20) << face;
        EXPECT_LT(bright, total / 100) << face;
    }
    const BakedImage ghost("lensflare/flare3");
    ASSERT_TRUE(ghost.bitmap);
    const int half = ghost.width() / 2;
    for (int ray = 0; ray < 24; ++ray) {
        const double angle = ray * 3.14159265 / 12.0 + 0.1;
        float previous = 1.0f;
        for (int step = 0; step < half; ++step) {
            const Colour c = ghost.at(half + static_cast<int>(step * std::cos(angle)),
                                      half + static_cast<int>(step * std::sin(angle)));
            const float level = std::max({c[0], c[1], c[2]});
            ASSERT_LE(level, previous + 1.5f / 255.0f) << "ray " << ray << " step " << step;
            previous = std::min(previous, level);
        }
    }
    for (const char* name : {"gameOver", "gameWon"}) {
        const BakedImage screen(name);
        const int top = screen.height() - 520;
        const int lit = screen.count(
            [&](int, int row, const Colour& c) { return row >= top - 25 && row < top && c[1] > 0.5f && c[3] > 0.5f; });
        EXPECT_GT(lit, 800) << name << ": light pixels in the rows of the hint";
    }
}

} // namespace
