#include <gtest/gtest.h>

#include <FreeImage.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using BV::testkit::readFile;
using BV::testkit::ScratchDir;

// A baked image read back through FreeImage exactly as the game reads it.
// Rows are counted as the game uploads them: row 0 is the first in memory.
class BakedImage {
public:
    explicit BakedImage(const std::string& path)
        : bitmap(FreeImage_Load(FreeImage_GetFileType(path.c_str()), path.c_str()))
    {
    }
    ~BakedImage()
    {
        if (bitmap)
            FreeImage_Unload(bitmap);
    }
    BakedImage(const BakedImage&) = delete;
    BakedImage& operator=(const BakedImage&) = delete;

    bool loaded() const { return bitmap != nullptr; }
    int width() const { return static_cast<int>(FreeImage_GetWidth(bitmap)); }
    int height() const { return static_cast<int>(FreeImage_GetHeight(bitmap)); }
    int bitsPerPixel() const { return static_cast<int>(FreeImage_GetBPP(bitmap)); }
    // Red, green, blue and alpha from 0 to 1; the game uploads BGRA rows.
    std::vector<float> at(int x, int row) const
    {
        const BYTE* p = FreeImage_GetBits(bitmap) + (static_cast<long>(row) * width() + x) * 4;
        return {p[2] / 255.0f, p[1] / 255.0f, p[0] / 255.0f, p[3] / 255.0f};
    }
    void savePreview(const std::string& name) const
    {
        FreeImage_Save(FIF_PNG, bitmap, (std::string(BV_TEST_OUTPUT_DIR) + "/" + name + ".png").c_str());
    }

private:
    FIBITMAP* bitmap; // owned; released in ~BakedImage
};

float luminance(const std::vector<float>& c)
{
    return 0.2126f * c[0] + 0.7152f * c[1] + 0.0722f * c[2];
}

float distance(const std::vector<float>& a, const std::vector<float>& b)
{
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
}

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
        {"lensflare/flare1 lensflare/flare2 lensflare/flare3 lensflare/flare4 status/building status/full", 256, 256},
        {"swarm", 64, 64},
        {"planet_tileset planet_tileset_normals", 2048, 2048},
        {"gameOver gameWon", 1024, 768},
        {"cursor/default cursor/attack cursor/build cursor/select", 32, 32},
    };
    int count = 0;
    for (const auto& [names, width, height] : groups) {
        std::istringstream in(names);
        for (std::string name; in >> name; ++count) {
            const std::string path = "resources/textures/" + name + ".dds";
            const BakedImage image(path);
            ASSERT_TRUE(image.loaded()) << path;
            EXPECT_EQ(32, image.bitsPerPixel()) << path;
            EXPECT_EQ(width, image.width()) << path;
            EXPECT_EQ(height, image.height()) << path;
        }
    }
    EXPECT_EQ(27, count);
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
    ScratchDir first;
    ScratchDir second;
    for (const ScratchDir* dir : {&first, &second}) {
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
    EXPECT_EQ(29, files) << "27 images, the cube-map list and the tower model";
}

TEST(BakedAssets, StarFieldHasDarkSkyAndBrightStarsOnEveryFace)
{
    for (const char* face : {"px", "nx", "py", "ny", "pz", "nz"}) {
        const BakedImage image(std::string("resources/textures/cubemap/galaxy_") + face + ".dds");
        ASSERT_TRUE(image.loaded());
        int dark = 0;
        int bright = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const float l = luminance(image.at(x, y));
                dark += l < 0.08f ? 1 : 0;
                bright += l > 0.5f ? 1 : 0;
            }
        }
        const int total = image.width() * image.height();
        EXPECT_GT(dark, total * 9 / 10) << face;
        EXPECT_GT(bright, 20) << face;
        EXPECT_LT(bright, total / 100) << face;
    }
    BakedImage("resources/textures/cubemap/galaxy_px.dds").savePreview("baked_galaxy_px");
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

// The pure cells of the five terrain types (water first) differ clearly; a
// pixel a little inside corner 0 of cell 25 t + 5 t + t, mean of 9 x 9.
TEST(BakedAssets, TerrainTypesAreDistinct)
{
    const BakedImage atlas("resources/textures/planet_tileset.dds");
    ASSERT_TRUE(atlas.loaded());
    atlas.savePreview("baked_planet_tileset");
    const double cellSize = 0.083251953125;
    std::vector<std::vector<float>> pure;
    for (int t = 0; t < 5; ++t) {
        const int cell = 31 * t;
        const int x = static_cast<int>(((cell % 12) + 0.5) * cellSize * atlas.width());
        const int row = static_cast<int>(((cell / 12) + 0.1 * 0.85 + 0.6533 * 0.15) * cellSize * atlas.height());
        std::vector<float> sum(3, 0.0f);
        for (int dy = -4; dy <= 4; ++dy) {
            for (int dx = -4; dx <= 4; ++dx) {
                for (int k = 0; k < 3; ++k) {
                    sum[k] += atlas.at(x + dx, row + dy)[k] / 81.0f;
                }
            }
        }
        pure.push_back(sum);
    }
    EXPECT_GT(pure[0][2], pure[0][0] + 0.2f) << "water is blue";
    for (int a = 0; a < 5; ++a) {
        for (int b = a + 1; b < 5; ++b) {
            EXPECT_GT(distance(pure[a], pure[b]), 0.15f) << "types " << a << " and " << b;
        }
    }
}

// Every digit of the statistics atlas's top row (one per tenth of the width)
// holds ink.
TEST(BakedAssets, DigitCellsAreNotEmpty)
{
    const BakedImage fields("resources/textures/ui/debug_fields.dds");
    ASSERT_TRUE(fields.loaded());
    fields.savePreview("baked_debug_fields");
    const int rowHeight = fields.height() / 5;
    const int cell = fields.width() / 10;
    for (int d = 0; d < 10; ++d) {
        int ink = 0;
        for (int y = 4 * rowHeight; y < 5 * rowHeight; ++y) {
            for (int x = d * cell; x < (d + 1) * cell; ++x) {
                ink += fields.at(x, y)[3] > 0.5f ? 1 : 0;
            }
        }
        EXPECT_GT(ink, 12) << "digit " << d;
    }
}

} // namespace
