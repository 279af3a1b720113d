#include <FreeImage.h>
#include <gtest/gtest.h>

#include "ResourceTestSupport.h"
#include "resources/ManualTextureLoader.h"
#include "resources/Texture.h"

namespace BV {
namespace {

using restest::ResourceTest;
using restest::Rgba;

using TextureTest = ResourceTest;

const Rgba red{255, 0, 0, 255};
const Rgba green{0, 255, 0, 255};
const Rgba blue{0, 0, 255, 255};
const Rgba white{255, 255, 255, 255};
const Rgba yellow{255, 255, 0, 255};

// Channels of 0 and 255 only, so that every depth (5-6-5 included) keeps
// the colours exactly.
Rgba fourColours(int x, int y)
{
    const Rgba colours[] = {red, green, blue, white};
    return colours[(x + 2 * y) % 4];
}

struct DepthCase {
    int bpp;
    const char* file;
    int width;
    int height;
};

void PrintTo(const DepthCase& c, std::ostream* out)
{
    *out << c.file << " (" << c.bpp << " bits)";
}

class TextureDepthTest : public ResourceTest, public ::testing::WithParamInterface<DepthCase> {};

// Files of every depth and odd widths (whose rows FreeImage pads) end up as
// exactly their own pixels on the GPU.
TEST_P(TextureDepthTest, EveryDepthUploadsItsOwnPixels)
{
    const DepthCase c = GetParam();
    const std::string path = scratch.file(c.file);
    std::function<Rgba(int, int)> colourAt = fourColours;
    std::vector<Rgba> palette = {red, green, blue, white};
    if (c.bpp == 1) {
        colourAt = [](int x, int y) { return (x + y) % 2 ? yellow : blue; };
        palette = {blue, yellow};
    }
    if (c.bpp == 32) {
        colourAt = [](int x, int y) {
            return Rgba{static_cast<unsigned char>(40 * x), 7, 200, static_cast<unsigned char>(60 * y + 5)};
        };
    }
    restest::writeImage(path, c.width, c.height, c.bpp, colourAt, palette);

    Texture* texture = get<Texture>(path);
    ASSERT_EQ(texture->ensureLoaded(), Resource::LOADED);
    EXPECT_EQ(texture->width, c.width);
    EXPECT_EQ(texture->height, c.height);
    EXPECT_EQ(texture->bpp, c.bpp);
    const std::vector<Rgba> pixels = restest::readTexture(*texture);
    ASSERT_EQ(pixels.size(), static_cast<std::size_t>(c.width * c.height));
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x) {
            EXPECT_EQ(pixels[y * c.width + x], colourAt(x, y)) << "pixel " << x << ", " << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, TextureDepthTest,
                         ::testing::Values(DepthCase{1, "mono.bmp", 7, 3}, DepthCase{8, "paletted.bmp", 5, 3},
                                           DepthCase{16, "packed.bmp", 3, 2}, DepthCase{24, "rgb.bmp", 5, 2},
                                           DepthCase{24, "rgb.png", 2, 1}, DepthCase{32, "rgba.png", 3, 3},
                                           DepthCase{24, "rgb.tga", 7, 5}),
                         [](const auto& info) {
                             return std::to_string(info.param.bpp) + "bit_" + std::to_string(info.index);
                         });

TEST_F(TextureTest, SixteenBitGreyIsScaledToEightBits)
{
    FIBITMAP* grey = FreeImage_AllocateT(FIT_UINT16, 3, 1);
    auto* row = reinterpret_cast<unsigned short*>(FreeImage_GetScanLine(grey, 0));
    row[0] = 0;
    row[1] = 65535;
    row[2] = 0;
    const std::string path = scratch.file("grey16.png");
    ASSERT_TRUE(FreeImage_Save(FIF_PNG, grey, path.c_str(), 0));
    FreeImage_Unload(grey);

    Texture* texture = get<Texture>(path);
    ASSERT_EQ(texture->ensureLoaded(), Resource::LOADED);
    EXPECT_EQ(texture->bpp, 16);
    const std::vector<Rgba> pixels = restest::readTexture(*texture);
    ASSERT_EQ(pixels.size(), 3u);
    EXPECT_EQ(pixels[0], (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(pixels[1], white);
}

TEST_F(TextureTest, UndecodableFilesFailSilentlyAndMayBeRetried)
{
    const std::string notAnImage = scratch.file("notes.bmp");
    testkit::writeFile(notAnImage, "this is text, not a bitmap\n");
    const std::string unknown = scratch.file("notes.xyz");
    testkit::writeFile(unknown, "plain text\n");

    testkit::LogWatch watch;
    Texture* missing = get<Texture>("resources/textures/none.png");
    Texture* garbage = get<Texture>(notAnImage);
    auto* unknownFormat = static_cast<Texture*>(manager()->getLoader("png")->getResource(unknown));
    for (Texture* texture : {missing, garbage, unknownFormat}) {
        EXPECT_EQ(texture->ensureLoaded(), Resource::FAILED) << texture->getName();
        EXPECT_EQ(texture->handle, 0u);
    }
    EXPECT_TRUE(watch.criticalLines().empty());

    restest::writeImage(notAnImage, 2, 1, 24, fourColours);
    EXPECT_EQ(garbage->ensureLoaded(), Resource::LOADED);
    EXPECT_EQ(garbage->width, 2);
}

TEST_F(TextureTest, FiltersSetBeforeLoadingApplyToTheWholeMipmapChain)
{
    const std::string path = scratch.file("chain.png");
    restest::writeImage(path, 8, 4, 24, fourColours);
    Texture* texture = get<Texture>(path);
    texture->minFilter = GL_LINEAR_MIPMAP_LINEAR;
    texture->magFilter = GL_NEAREST;
    ASSERT_EQ(texture->ensureLoaded(), Resource::LOADED);

    glBindTexture(GL_TEXTURE_2D, texture->handle);
    GLint minFilter = 0;
    GLint magFilter = 0;
    GLint lastWidth = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 3, GL_TEXTURE_WIDTH, &lastWidth);
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(magFilter, GL_NEAREST);
    EXPECT_EQ(lastWidth, 1) << "8 x 4 has levels down to 1 x 1";
}

GLint boundParameter(const Texture& texture, GLenum parameter)
{
    GLint value = 0;
    glBindTexture(texture.target, texture.handle);
    glGetTexParameteriv(texture.target, parameter, &value);
    glBindTexture(texture.target, 0);
    return value;
}

TEST_F(TextureTest, RenderTargetsAreMadeOnceAndTakeFiltersOnlyWhenReloaded)
{
    auto* loader = static_cast<ManualTextureLoader*>(manager()->getLoader("tex"));
    Texture* colour = loader->createTexture("main.tex", 64, 32, GL_RGBA8, GL_BGRA);
    Texture* depth = loader->createTexture("shadow.tex", 64, 32, GL_DEPTH_COMPONENT24, GL_DEPTH_COMPONENT);
    EXPECT_EQ(loader->createTexture("main.tex", 16, 16, GL_RGBA8, GL_BGRA), colour);
    EXPECT_EQ(colour->getState(), Resource::LOADED);
    EXPECT_EQ(colour->width, 64);
    EXPECT_EQ(get<Texture>("main.tex"), colour);
    EXPECT_EQ(boundParameter(*colour, GL_TEXTURE_WRAP_S), GL_REPEAT);

    GLuint framebuffer = 0;
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour->handle, 0);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, depth->handle, 0);
    EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &framebuffer);
    EXPECT_EQ(restest::readTexture(*colour)[64 * 32 - 1], green);

    colour->minFilter = GL_NEAREST;
    EXPECT_EQ(boundParameter(*colour, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(colour->ensureLoaded(), Resource::LOADED) << "a loaded texture is not loaded again";
    loader->load(colour);
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(boundParameter(*colour, GL_TEXTURE_MIN_FILTER), GL_NEAREST);

    // A ".tex" name that was requested but never created stays unloaded.
    Texture* never = get<Texture>("never.tex");
    EXPECT_EQ(never->ensureLoaded(), Resource::NOT_LOADED);
}

} // namespace
} // namespace BV
