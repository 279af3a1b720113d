#pragma once

#include <string>
#include <utility>
#include <vector>

#include <FreeImage.h>
#include <GL/glew.h>
#include <gtest/gtest.h>

#include "app/Log.h"
#include "resources/Loaders.h"
#include "resources/Material.h"
#include "resources/Mesh.h"
#include "resources/ResourceLoader.h"
#include "resources/ResourceManager.h"
#include "resources/Shader.h"
#include "resources/ShaderProgram.h"
#include "resources/ShaderProgramLoader.h"
#include "resources/Texture.h"
#include "support/TestSupport.h"

namespace BV::restest {

// Every test starts with the game's loaders freshly registered and empty
// caches, and ends with everything disposed, so nothing leaks between tests.
class ResourceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The log truncates its file when first used; a LogWatch made before
        // that would measure the previous run's file.
        Log::getInstance();
        manager()->disposeAll();
        registerLoaders();
    }
    void TearDown() override
    {
        manager()->disposeAll();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }

    static ResourceManager* manager() { return ResourceManager::getInstance(); }
    template <typename T> static T* get(const std::string& name)
    {
        return static_cast<T*>(manager()->getResource(name));
    }
    // A program of two shader files written into the scratch directory.
    ShaderProgram* writeProgram(const std::string& vertexSource, const std::string& fragmentSource,
                                const std::string& stem = "test")
    {
        testkit::writeFile(scratch.file(stem + ".vert"), vertexSource);
        testkit::writeFile(scratch.file(stem + ".frag"), fragmentSource);
        return static_cast<ShaderProgramLoader*>(manager()->getLoader("shdr"))
            ->createProgram(scratch.file(stem + ".vert").c_str(), scratch.file(stem + ".frag").c_str());
    }

    testkit::ScratchDir scratch;
};

// Passes position (location 0) through and hands the texture coordinate
// (location 2) on as "colour".
inline const char* const passThroughVertex = R"(#version 330 core
layout(location = 0) in vec3 position;
layout(location = 2) in vec3 texcoord;
out vec3 colour;
void main() { colour = texcoord; gl_Position = vec4(position, 1.0); }
)";

struct Rgba {
    unsigned char r, g, b, a;
    bool operator==(const Rgba& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};

// Pixel (x, y), counted from the bottom row, of every image writeImage paints:
// colour number (3 x + y) mod the number of colours.
inline std::size_t patternIndex(const std::vector<Rgba>& colours, int x, int y)
{
    return static_cast<std::size_t>(3 * x + y) % colours.size();
}

// Writes an image file of the given depth painted by patternIndex. Depths 1
// and 8 use the colours as palette; 16 is 5-6-5; 24 and 32 are direct colour.
inline void writeImage(const std::string& path, int width, int height, int bpp, const std::vector<Rgba>& colours)
{
    const bool paletted = bpp <= 8;
    FIBITMAP* bitmap = FreeImage_Allocate(width, height, paletted ? bpp : (bpp == 32 ? 32 : 24));
    for (std::size_t i = 0; paletted && i < colours.size(); ++i) {
        FreeImage_GetPalette(bitmap)[i] = RGBQUAD{colours[i].b, colours[i].g, colours[i].r, 0};
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            BYTE index = static_cast<BYTE>(patternIndex(colours, x, y));
            RGBQUAD quad{colours[index].b, colours[index].g, colours[index].r, colours[index].a};
            paletted ? FreeImage_SetPixelIndex(bitmap, x, y, &index) : FreeImage_SetPixelColor(bitmap, x, y, &quad);
        }
    }
    if (bpp == 16) {
        FIBITMAP* packed = FreeImage_ConvertTo16Bits565(bitmap);
        FreeImage_Unload(std::exchange(bitmap, packed));
    }
    EXPECT_EQ(FreeImage_GetBPP(bitmap), static_cast<unsigned>(bpp));
    EXPECT_TRUE(FreeImage_Save(FreeImage_GetFIFFromFilename(path.c_str()), bitmap, path.c_str(), 0)) << path;
    FreeImage_Unload(bitmap);
}

// Level 0 of a 2D texture as RGBA8, bottom row first, sized by GL itself so
// a wrong recorded size cannot overrun the buffer.
inline std::vector<Rgba> readTexture(const Texture& texture)
{
    GLint width = 0, height = 0;
    glBindTexture(GL_TEXTURE_2D, texture.handle);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    std::vector<Rgba> pixels(static_cast<std::size_t>(width) * height);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return pixels;
}

// Clears the shared window to black and draws into its lower-left
// width x height pixels from now on.
inline void drawToCorner(int width, int height)
{
    glViewport(0, 0, width, height);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
}

// The window's pixel (x, y), counted from the bottom left.
inline Rgba pixel(int x, int y)
{
    const std::vector<unsigned char> rgba = testkit::readPixels(x, y, 1, 1);
    return Rgba{rgba[0], rgba[1], rgba[2], rgba[3]};
}

} // namespace BV::restest
