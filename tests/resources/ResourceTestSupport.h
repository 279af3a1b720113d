#pragma once

#include <string>
#include <vector>

#include <GL/glew.h>
#include <gtest/gtest.h>

#include "resources/ResourceManager.h"
#include "support/TestSupport.h"

namespace BV {

class ShaderProgram;
class Texture;

namespace restest {

// Every test starts with the game's loaders freshly registered and empty
// caches, and ends with everything disposed, so nothing leaks between tests.
class ResourceTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    static ResourceManager* manager() { return ResourceManager::getInstance(); }
    template <typename T> static T* get(const std::string& name)
    {
        return static_cast<T*>(manager()->getResource(name));
    }
    // A program of two shader files written into the scratch directory.
    ShaderProgram* writeProgram(const std::string& vertexSource, const std::string& fragmentSource,
                                const std::string& stem = "test");

    testkit::ScratchDir scratch;
};

// Passes position (location 0) through and hands the texture coordinate
// (location 2) on as "colour".
extern const char* const passThroughVertex;

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

// Writes an image file of the given depth painted with patternAt. Depths 1
// and 8 use the colours as palette; 16 is 5-6-5; 24 and 32 are direct colour.
void writeImage(const std::string& path, int width, int height, int bpp, const std::vector<Rgba>& colours);

// Level 0 of a 2D texture as RGBA8, bottom row first.
std::vector<Rgba> readTexture(const Texture& texture);

// Clears the shared window to black and draws into its lower-left
// width x height pixels from now on.
void drawToCorner(int width, int height);
// The window's pixel (x, y), counted from the bottom left.
Rgba pixel(int x, int y);

} // namespace restest
} // namespace BV
