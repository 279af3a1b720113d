#include <filesystem>
#include <tuple>

#include "ResourceTestSupport.h"

namespace BV {
namespace {

using restest::Lines;
using restest::Rgba;

const Rgba red{255, 0, 0, 255}, green{0, 255, 0, 255}, blue{0, 0, 255, 255}, white{255, 255, 255, 255};
const Rgba cubeColours[6] = {red, green, blue, {255, 255, 0, 255}, {0, 255, 255, 255}, {255, 0, 255, 255}};

struct TextureTest : restest::ResourceTest {
    // An image file of one colour and the given size, as a cube map list line.
    std::string face(const std::string& file, int width, int height, const Rgba& colour = red)
    {
        restest::writeImage(scratch.file(file), width, height, 24, {colour});
        return std::filesystem::relative(scratch.file(file)).string() + "\n";
    }
};

// Odd widths have padded rows in FreeImage; channels of 0 and 255 survive 5-6-5 and 16-bit grey.
TEST_F(TextureTest, EveryDepthUploadsItsOwnPixelsWithTheFilterSetBeforeLoading)
{
    const std::vector<Rgba> four = {red, green, blue, white};
    const struct {
        int bpp;
        const char* file;
        int width, height;
        std::vector<Rgba> colours;
    } cases[] = {{1, "mono.bmp", 7, 3, {blue, white}},
                 {8, "paletted.bmp", 5, 3, four},
                 {16, "packed.bmp", 3, 2, four},
                 {24, "rgb.bmp", 5, 2, four},
                 {24, "rgb.tga", 7, 5, four},
                 {32, "rgba.png", 3, 3, {{40, 7, 200, 5}, {0, 7, 200, 65}, {80, 7, 200, 125}, {120, 7, 0, 255}}},
                 {16, "grey16.png", 5, 3, {{0, 0, 0, 255}, white}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        restest::writeImage(scratch.file(c.file), c.width, c.height, c.bpp, c.colours);
        Texture* texture = get<Texture>(scratch.file(c.file));
        texture->minFilter = GL_LINEAR_MIPMAP_LINEAR;
        ASSERT_EQ(texture->ensureLoaded(), Resource::LOADED);
        GLint minFilter = 0, width = 0, height = 0;
        glBindTexture(GL_TEXTURE_2D, texture->handle);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
        EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_LINEAR);
        EXPECT_EQ(std::tie(texture->width, texture->height, texture->bpp), std::tie(c.width, c.height, c.bpp));
        ASSERT_EQ(std::tie(width, height), std::tie(c.width, c.height)); // before reading that many pixels
        std::vector<Rgba> pixels(static_cast<std::size_t>(width) * height);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        for (int i = 0; i < c.width * c.height; ++i)
            EXPECT_EQ(pixels[i], c.colours[restest::patternIndex(c.colours, i % c.width, i / c.width)]) << i;
    }
}

// Faces of mixed formats listed relative to the working directory land in GL's face order (+X, -X, +Y, ...); lines
// after the sixth are never read.
TEST_F(TextureTest, CubeMapFacesLandInListOrder)
{
    const char* const files[6] = {"px.png", "nx.bmp", "py.tga", "ny.png", "pz.bmp", "nz.png"};
    std::string list;
    for (int i = 0; i < 6; ++i)
        list += face(files[i], 4, 4, cubeColours[i]);
    testkit::writeFile(scratch.file("sky.xcm"), list + "this line is never read\n");
    Texture* cube = get<Texture>(scratch.file("sky.xcm"));
    ASSERT_EQ(cube->ensureLoaded(), Resource::LOADED);
    glBindTexture(GL_TEXTURE_CUBE_MAP, cube->handle);
    for (int i = 0; i < 6; ++i) {
        std::vector<Rgba> pixels(16);
        glGetTexImage(GL_TEXTURE_CUBE_MAP_POSITIVE_X + i, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        EXPECT_EQ(pixels, std::vector<Rgba>(16, cubeColours[i])) << "face " << i;
    }
}

// The loader says nothing; the first user that needs the image names it. Decoders that read ahead (JPEG) or exactly
// (DDS, BMP, TGA) load whole files.
TEST_F(TextureTest, DamagedImagesFailAndAreNamedOnceByTheirUsers)
{
    restest::writeImage(scratch.file("whole.bmp"), 40, 30, 24, {red, blue});
    restest::writeImage(scratch.file("whole.tga"), 40, 30, 32, {red, blue});
    restest::writeImage(scratch.file("whole.jpg"), 40, 30, 24, {red, blue});
    const std::string bmp = testkit::readFile(scratch.file("whole.bmp")),
                      tga = testkit::readFile(scratch.file("whole.tga"));
    const struct {
        const char* file;
        std::string content;
        bool loads;
    } cases[] = {
        {"whole.jpg", testkit::readFile(scratch.file("whole.jpg")), true},
        {"cut.bmp", bmp.substr(0, 2000), false},
        {"cut.tga", tga.substr(0, 2000), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        testkit::writeFile(scratch.file(c.file), c.content);
        Texture* texture = get<Texture>(scratch.file(c.file));
        testkit::LogWatch watch;
        EXPECT_EQ(texture->ensureLoaded(), c.loads ? Resource::LOADED : Resource::FAILED);
        EXPECT_TRUE(watch.lines().empty());
        EXPECT_EQ(texture->ensureLoadedOrReport(), c.loads);
        EXPECT_EQ(texture->ensureLoadedOrReport(), c.loads);
        EXPECT_EQ(watch.lines(),
                  c.loads ? Lines{} : Lines{"CRITICAL :Failed to load Texture: " + scratch.file(c.file)});
    }
}

// All six faces must be squares of the first face's size. The faces uploaded before the first fault go with the texture
// object; retries add nothing.
TEST_F(TextureTest, ShortMissingOrMixedCubeMapsFailWithOneLine)
{
    const std::string square = face("square.png", 4, 4), wide = face("wide.png", 8, 4);
    const struct {
        const char* list;
        std::string faces;
        std::string fault;
    } cases[] = {
        {"five.xcm", square + square + square + square + square, "Failed to load Texture: "},
        {"none.xcm", "", "Could not open file."},
        {"first.xcm", wide + wide + wide + wide + wide + wide,
         "Face " + wide.substr(0, wide.size() - 1) + " is 8 x 4 pixels, not square."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.list);
        if (!c.faces.empty())
            testkit::writeFile(scratch.file(c.list), c.faces);
        Texture* cube = get<Texture>(scratch.file(c.list));
        testkit::LogWatch watch;
        EXPECT_EQ(cube->ensureLoaded(), Resource::FAILED);
        EXPECT_EQ(cube->ensureLoaded(), Resource::FAILED);
        EXPECT_EQ(cube->handle, 0u);
        EXPECT_EQ(watch.lines(), Lines{"CRITICAL :Failed to load CubeMap: " + scratch.file(c.list) + ": " + c.fault});
    }
}

} // namespace
} // namespace BV
