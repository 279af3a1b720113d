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
        writeFailure("Failed to load CubeMap: " + name + ": Could not open file.");
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
    int side = 0;
    for (int face = 0; face < faceCount; ++face) {
        std::string file;
        if (!std::getline(list, file)) {
            file.clear();
        }
        const std::string fault = uploadFace(file, face, side);
        if (!fault.empty()) {
            writeFailure("Failed to load CubeMap: " + name + ": " + fault);
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

std::string CubeMapLoader::uploadFace(const std::string& file, int face, int& side)
{
    ImageFile image;
    if (!image.decode(file)) {
        return "Failed to load Texture: " + file;
    }
    const int width = image.getWidth();
    const int height = image.getHeight();
    if (side == 0) {
        side = width;
    }
    // Faces of other sizes would leave the cube map incomplete: it would
    // sample as black without a word.
    if (width != side || height != side) {
        const std::string size = std::to_string(width) + " x " + std::to_string(height) + " pixels";
        if (width != height) {
            return "Face " + file + " is " + size + ", not square.";
        }
        return "Face " + file + " is " + size + ", not " + std::to_string(side) + " x " + std::to_string(side) +
               " like the first face.";
    }
    glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + static_cast<GLenum>(face), 0, GL_RGBA, width, height, 0, GL_BGRA,
                 GL_UNSIGNED_BYTE, image.getPixels());
    return std::string();
}

void CubeMapLoader::writeFailure(const std::string& line)
{
    if (writtenFailures.insert(line).second) {
        Log::getInstance().write(line, CRITICAL);
    }
}

} // namespace BV
