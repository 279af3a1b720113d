#include "resources/ManualTextureLoader.h"

#include "resources/Texture.h"

namespace BV {

Texture* ManualTextureLoader::createTexture(const char* name, int width, int height, GLint internalFormat,
                                            GLenum pixelFormat)
{
    Texture* texture = static_cast<Texture*>(getResource(name));
    if (texture->isLoaded()) {
        return texture;
    }
    texture->target = GL_TEXTURE_2D;
    texture->width = width;
    texture->height = height;
    glGenTextures(1, &texture->handle);
    glBindTexture(texture->target, texture->handle);
    glTexParameteri(texture->target, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(texture->target, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(texture->target, GL_TEXTURE_MAG_FILTER, texture->magFilter);
    glTexParameteri(texture->target, GL_TEXTURE_MIN_FILTER, texture->minFilter);
    glTexImage2D(texture->target, 0, internalFormat, width, height, 0, pixelFormat, GL_UNSIGNED_BYTE, nullptr);
    glBindTexture(texture->target, 0);
    texture->setState(Resource::LOADED);
    return texture;
}

void ManualTextureLoader::load(Resource* resource)
{
    Texture* texture = static_cast<Texture*>(resource);
    // A ".tex" name requested but never created has no object whose
    // settings could be changed; binding 0 would alter the default texture.
    if (texture->handle == 0) {
        return;
    }
    glBindTexture(texture->target, texture->handle);
    glTexParameteri(texture->target, GL_TEXTURE_MAG_FILTER, texture->magFilter);
    glTexParameteri(texture->target, GL_TEXTURE_MIN_FILTER, texture->minFilter);
}

} // namespace BV
