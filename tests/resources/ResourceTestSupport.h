#pragma once

#include <functional>
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
// caches, and ends with everything disposed, so no resource leaks from one
// test into the next.
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

// A vertex shader that passes position (location 0) through and hands the
// texture coordinate (location 2) on as "colour".
extern const char* const passThroughVertex;

struct Rgba {
    unsigned char r, g, b, a;
    bool operator==(const Rgba& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};
std::ostream& operator<<(std::ostream& out, const Rgba& c);

// Writes an image file of the given depth whose pixel (x, y), counted from
// the bottom row, is colourAt(x, y). Depths 1 and 8 are paletted and use
// the palette given; 16 is 5-6-5 colour; 24 and 32 are direct colour.
void writeImage(const std::string& path, int width, int height, int bpp, const std::function<Rgba(int, int)>& colourAt,
                const std::vector<Rgba>& palette = {});

// Level 0 of a texture (or one cube face) as RGBA8, bottom row first.
std::vector<Rgba> readTexture(const Texture& texture, GLenum faceTarget = 0);

// An RGBA8 framebuffer of its own, bound while it lives.
class OffscreenTarget {
public:
    OffscreenTarget(int width, int height);
    ~OffscreenTarget();
    OffscreenTarget(const OffscreenTarget&) = delete;
    OffscreenTarget& operator=(const OffscreenTarget&) = delete;
    Rgba pixel(int x, int y) const;

private:
    GLuint framebuffer = 0;
    GLuint colour = 0;
    GLint previousViewport[4] = {};
};

} // namespace restest
} // namespace BV
