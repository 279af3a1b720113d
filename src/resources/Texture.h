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
};

} // namespace BV
