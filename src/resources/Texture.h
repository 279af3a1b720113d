#pragma once

#include <GL/glew.h>

#include "resources/Resource.h"

namespace BV {

// An OpenGL texture (2D image, render target or cube map) with its size and
// sampling settings. The fields are filled by the three texture loaders.
class Texture : public Resource {
public:
    explicit Texture(ResourceLoader* loader);

    void releaseGL() override;

    // For the parts of the game that draw this image: loads it unless it is
    // loaded and says whether it is. The first time any of them finds it
    // failed, one CRITICAL line "Failed to load Texture: " + name is written
    // (the loaders keep their reasons below the log's threshold); later
    // calls retry the load without a word. The caller draws without it.
    bool ensureLoadedOrReport();

    int height = 0; // pixels; 0 until loaded and for cube maps
    int width = 0;  // pixels; 0 until loaded and for cube maps
    // Bits per pixel of the image as decoded from its file, before it was
    // widened to the 32-bit BGRA that is uploaded. Informational only.
    int bpp = 0;
    GLenum target = GL_TEXTURE_2D;
    GLuint handle = 0; // 0 until loaded
    // Sampling wanted by the users. Set them after requesting the texture
    // and before loading it: they are applied when the texture object is
    // created (or re-applied by the manual texture loader).
    GLint magFilter = GL_LINEAR;
    GLint minFilter = GL_LINEAR;

private:
    bool failureReported = false;
};

} // namespace BV
