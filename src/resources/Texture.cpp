#include "resources/Texture.h"

#include "app/Log.h"

namespace BV {

Texture::Texture(ResourceLoader* loader) : Resource(loader) {}

void Texture::releaseGL()
{
    if (handle != 0) {
        glDeleteTextures(1, &handle);
        handle = 0;
    }
}

bool Texture::ensureLoadedOrReport()
{
    if (ensureLoaded() == LOADED) {
        return true;
    }
    if (!failureReported) {
        failureReported = true;
        Log::getInstance().write("Failed to load Texture: " + getName(), CRITICAL);
    }
    return false;
}

} // namespace BV
