#include "resources/Texture.h"

namespace BV {

Texture::Texture(ResourceLoader* loader) : Resource(loader) {}

void Texture::releaseGL()
{
    if (handle != 0) {
        glDeleteTextures(1, &handle);
        handle = 0;
    }
}

} // namespace BV
