#pragma once

#include <array>
#include <string>
#include <utility>
#include <vector>

#include <FreeImage.h>
#include <GL/glew.h>
#include <gtest/gtest.h>

#include "resources/Loaders.h"
#include "resources/Material.h"
#include "resources/Mesh.h"
#include "resources/ResourceManager.h"
#include "resources/Shader.h"
#include "resources/ShaderProgram.h"
#include "resources/ShaderProgramLoader.h"
#include "resources/Texture.h"
#include "support/TestSupport.h"

namespace BV::restest {

using Rgba = std::array<unsigned char, 4>;
using Lines = std::vector<std::string>;

// The colour of pixel (x, y), from the bottom row, in every writeImage image.
inline std::size_t patternIndex(const std::vector<Rgba>& colours, int x, int y)
{
    return static_cast<std::size_t>(3 * x + y) % colours.size();
}

// Writes an image file of the given depth painted by patternIndex. Depths 1
// and 8 use the colours as palette; 16 is 5-6-5 or grey; 24 and 32 are direct.
inline void writeImage(const std::string& path, int width, int height, int bpp, const std::vector<Rgba>& colours)
{
    const bool paletted = bpp <= 8;
    FIBITMAP* bitmap = FreeImage_Allocate(width, height, paletted ? bpp : (bpp == 32 ? 32 : 24));
    for (std::size_t i = 0; paletted && i < colours.size(); ++i) {
        FreeImage_GetPalette(bitmap)[i] = RGBQUAD{colours[i][2], colours[i][1], colours[i][0], 0};
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            BYTE index = static_cast<BYTE>(patternIndex(colours, x, y));
            RGBQUAD quad{colours[index][2], colours[index][1], colours[index][0], colours[index][3]};
            paletted ? FreeImage_SetPixelIndex(bitmap, x, y, &index) : FreeImage_SetPixelColor(bitmap, x, y, &quad);
        }
    }
    if (bpp == 16) { // a PNG has no 5-6-5: there, 16 bits are grey
        const bool png = path.find(".png") != std::string::npos;
        FIBITMAP* packed = png ? FreeImage_ConvertToType(bitmap, FIT_UINT16) : FreeImage_ConvertTo16Bits565(bitmap);
        FreeImage_Unload(std::exchange(bitmap, packed));
    }
    EXPECT_EQ(FreeImage_GetBPP(bitmap), static_cast<unsigned>(bpp));
    EXPECT_TRUE(FreeImage_Save(FreeImage_GetFIFFromFilename(path.c_str()), bitmap, path.c_str(), 0)) << path;
    FreeImage_Unload(bitmap);
}

// Fresh loaders and empty caches for every test; all disposed at its end.
class ResourceTest : public ::testing::Test {
protected:
    void SetUp() override { manager()->disposeAll(), registerLoaders(); }
    void TearDown() override
    {
        manager()->disposeAll();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }

    static ResourceManager* manager() { return ResourceManager::getInstance(); }
    static ShaderProgramLoader* programs() { return static_cast<ShaderProgramLoader*>(manager()->getLoader("shdr")); }
    template <typename T> static T* get(const std::string& name)
    {
        return static_cast<T*>(manager()->getResource(name));
    }
    // A program of two shader files written into the scratch directory.
    ShaderProgram* writeProgram(const std::string& vertex, const std::string& fragment,
                                const std::string& stem = "test")
    {
        testkit::writeFile(scratch.file(stem + ".vert"), vertex);
        testkit::writeFile(scratch.file(stem + ".frag"), fragment);
        return programs()->createProgram(scratch.file(stem + ".vert").c_str(), scratch.file(stem + ".frag").c_str());
    }
    // A 2 x 2 image file of one colour, as a texture not yet loaded.
    Texture* writeTexture(const std::string& file)
    {
        writeImage(scratch.file(file), 2, 2, 24, {{10, 20, 30, 255}});
        return get<Texture>(scratch.file(file));
    }

    testkit::ScratchDir scratch;
};

// Passes position (location 0) through, the texture coordinate (2) as "colour".
inline const char* const passThroughVertex = "#version 330 core\nlayout(location = 0) in vec3 position;\n"
                                             "layout(location = 2) in vec3 texcoord;\nout vec3 colour;\n"
                                             "void main() { colour = texcoord; gl_Position = vec4(position, 1.0); }";

} // namespace BV::restest
