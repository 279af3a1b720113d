#include "resources/TextureLoader.h"

#include "app/Log.h"
#include "resources/ImageFile.h"
#include "resources/Texture.h"

namespace BV {

Resource* TextureLoader::createResource()
{
    return new Texture(this);
}

void TextureLoader::load(Resource* resource)
{
    Texture* texture = static_cast<Texture*>(resource);
    Log::getInstance().write("Loading Texture: " + texture->getName(), TRACE);
    ImageFile image;
    if (!image.decode(texture->getName())) {
        texture->setState(Resource::FAILED);
        return;
    }
    // A reload replaces the texture object instead of leaking it.
    texture->releaseGL();
    texture->width = image.getWidth();
    texture->height = image.getHeight();
    texture->bpp = image.getSourceBpp();
    glGenTextures(1, &texture->handle);
    glBindTexture(texture->target, texture->handle);
    // Rows come bottom-up from FreeImage, which is OpenGL's origin too.
    glTexImage2D(texture->target, 0, GL_RGBA, texture->width, texture->height, 0, GL_BGRA, GL_UNSIGNED_BYTE,
                 image.getPixels());
    glTexParameteri(texture->target, GL_TEXTURE_MAG_FILTER, texture->magFilter);
    glTexParameteri(texture->target, GL_TEXTURE_MIN_FILTER, texture->minFilter);
    // Always a full chain, so users may switch to a mipmapped min filter
    // later without reloading.
    glGenerateMipmap(texture->target);
    texture->setState(Resource::LOADED);
    glBindTexture(texture->target, 0);
}

void TextureLoader::destroyResource(Resource* resource)
{
    resource->releaseGL();
    delete resource;
}

} // namespace BV
