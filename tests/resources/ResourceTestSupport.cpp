#include "ResourceTestSupport.h"

#include <FreeImage.h>

#include "app/Log.h"
#include "resources/Loaders.h"
#include "resources/ShaderProgramLoader.h"
#include "resources/Texture.h"

namespace BV::restest {

const char* const passThroughVertex = R"(#version 330 core
layout(location = 0) in vec3 position;
layout(location = 2) in vec3 texcoord;
out vec3 colour;
void main() { colour = texcoord; gl_Position = vec4(position, 1.0); }
)";

void ResourceTest::SetUp()
{
    // The log truncates its file when first used; a LogWatch made before
    // that would measure the previous run's file.
    Log::getInstance();
    manager()->disposeAll();
    registerLoaders();
}

void ResourceTest::TearDown()
{
    manager()->disposeAll();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

ShaderProgram* ResourceTest::writeProgram(const std::string& vertexSource, const std::string& fragmentSource,
                                          const std::string& stem)
{
    const std::string vertex = scratch.file(stem + ".vert");
    const std::string fragment = scratch.file(stem + ".frag");
    testkit::writeFile(vertex, vertexSource);
    testkit::writeFile(fragment, fragmentSource);
    auto* loader = static_cast<ShaderProgramLoader*>(manager()->getLoader("shdr"));
    return loader->createProgram(vertex.c_str(), fragment.c_str());
}

void writeImage(const std::string& path, int width, int height, int bpp, const std::vector<Rgba>& colours)
{
    const bool paletted = bpp <= 8;
    FIBITMAP* bitmap = FreeImage_Allocate(width, height, paletted ? bpp : (bpp == 32 ? 32 : 24));
    for (std::size_t i = 0; paletted && i < colours.size(); ++i) {
        FreeImage_GetPalette(bitmap)[i] = RGBQUAD{colours[i].b, colours[i].g, colours[i].r, 0};
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            BYTE index = static_cast<BYTE>(patternIndex(colours, x, y));
            const Rgba c = colours[index];
            RGBQUAD quad{c.b, c.g, c.r, c.a};
            paletted ? FreeImage_SetPixelIndex(bitmap, x, y, &index) : FreeImage_SetPixelColor(bitmap, x, y, &quad);
        }
    }
    if (bpp == 16) {
        FIBITMAP* packed = FreeImage_ConvertTo16Bits565(bitmap);
        FreeImage_Unload(bitmap);
        bitmap = packed;
    }
    EXPECT_EQ(FreeImage_GetBPP(bitmap), static_cast<unsigned>(bpp));
    EXPECT_TRUE(FreeImage_Save(FreeImage_GetFIFFromFilename(path.c_str()), bitmap, path.c_str(), 0)) << path;
    FreeImage_Unload(bitmap);
}

std::vector<Rgba> readTexture(const Texture& texture)
{
    // Sized by GL itself so a wrong recorded size cannot overrun the buffer.
    GLint width = 0, height = 0;
    glBindTexture(GL_TEXTURE_2D, texture.handle);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    std::vector<Rgba> pixels(static_cast<std::size_t>(width) * height);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return pixels;
}

void drawToCorner(int width, int height)
{
    glViewport(0, 0, width, height);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
}

Rgba pixel(int x, int y)
{
    const std::vector<unsigned char> rgba = testkit::readPixels(x, y, 1, 1);
    return Rgba{rgba[0], rgba[1], rgba[2], rgba[3]};
}

} // namespace BV::restest
