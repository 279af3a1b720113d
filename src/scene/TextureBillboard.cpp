#include "scene/TextureBillboard.h"

#include <GL/glew.h>

#include "resources/Material.h"
#include "resources/ResourceManager.h"
#include "resources/ShaderProgram.h"
#include "resources/ShaderProgramLoader.h"
#include "resources/Texture.h"

namespace BV {

TextureBillboard::TextureBillboard(Texture* texture, const char* fragmentShader, const char* vertexShader,
                                   const char* materialName, float width, float height)
    : TextureBillboard(std::vector<Texture*>{texture}, fragmentShader, vertexShader, materialName, width, height)
{
}

TextureBillboard::TextureBillboard(const std::vector<Texture*>& textures, const char* fragmentShader,
                                   const char* vertexShader, const char* materialName, float width, float height)
    : Billboard(width, height), textures(textures), fragmentShader(fragmentShader), materialName(materialName),
      vertexShader(vertexShader)
{
    init();
}

Material* TextureBillboard::loadMaterial()
{
    ResourceManager* resources = ResourceManager::getInstance();
    auto* loaded = static_cast<Material*>(resources->getResource(materialName));
    auto* programs = static_cast<ShaderProgramLoader*>(resources->getLoader("shdr"));
    if (loaded && programs) {
        loaded->program = programs->createProgram(vertexShader.c_str(), fragmentShader.c_str());
    }
    for (Texture* texture : textures) {
        if (texture) {
            texture->ensureLoadedOrReport();
        }
    }
    return loaded;
}

void TextureBillboard::setTexture(Texture* texture)
{
    if (texture) {
        texture->ensureLoadedOrReport();
    }
    if (textures.empty()) {
        textures.push_back(texture);
    } else {
        textures.front() = texture;
    }
}

void TextureBillboard::prepareDraw()
{
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const GLint sampler = (material && material->program) ? material->program->getUniformLocation("texture0") : -1;
    for (Texture* texture : textures) {
        if (!texture) {
            continue;
        }
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(texture->target, texture->handle);
        glUniform1i(sampler, 0);
    }
}

} // namespace BV
