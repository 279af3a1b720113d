#include "resources/CubeMapLoader.h"

#include <fstream>

#include <GL/glew.h>

#include "app/Log.h"
#include "resources/ImageFile.h"
#include "resources/Texture.h"

namespace BV {

namespace {
constexpr int faceCount = 6;
}

void CubeMapLoader::load(Resource* resource)
{
    Texture* texture = static_cast<Texture*>(resource);
    const std::string& name = texture->getName();
    std::ifstream list(name, std::ios::binary);
    if (!list) {
        Log::getInstance().write("Failed to load CubeMap: " + name + ": Could not open file.", CRITICAL);
        texture->setState(Resource::FAILED);
        return;
    }
    texture->releaseGL();
    texture->target = GL_TEXTURE_CUBE_MAP;
    glGenTextures(1, &texture->handle);
    glBindTexture(texture->target, texture->handle);
    glTexParameteri(texture->target, GL_TEXTURE_MAG_FILTER, texture->magFilter);
    glTexParameteri(texture->target, GL_TEXTURE_MIN_FILTER, texture->minFilter);
    glTexParameteri(texture->target, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(texture->target, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(texture->target, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    for (int face = 0; face < faceCount; ++face) {
        std::string file;
        if (!std::getline(list, file)) {
            file.clear();
        }
        if (!uploadFace(file.c_str(), face)) {
            Log::getInstance().write("Failed to load CubeMap: " + name + ": Failed to load Texture: " + file, CRITICAL);
            glBindTexture(texture->target, 0);
            // The faces uploaded so far go with the object.
            texture->releaseGL();
            texture->setState(Resource::FAILED);
            return;
        }
    }
    glBindTexture(texture->target, 0);
    texture->setState(Resource::LOADED);
}

bool CubeMapLoader::uploadFace(const char* file, int face)
{
    ImageFile image;
    if (!image.decode(file)) {
        return false;
    }
    glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + static_cast<GLenum>(face), 0, GL_RGBA, image.getWidth(),
                 image.getHeight(), 0, GL_BGRA, GL_UNSIGNED_BYTE, image.getPixels());
    return true;
}

} // namespace BV
