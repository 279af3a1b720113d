#include "resources/Material.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include "app/Log.h"
#include "resources/ShaderProgram.h"
#include "resources/Texture.h"

namespace BV {

Material::Material(ResourceLoader* loader) : Resource(loader) {}

void Material::addTexture(const std::string& sampler, Texture* texture)
{
    // Loading and binding go through every stored texture; a null one would
    // crash there, so it never enters the map.
    if (!texture) {
        Log::getInstance().write("Trying to add a missing Texture ( " + sampler + " ) to Material: " + getName(),
                                 CRITICAL);
        return;
    }
    if (!textures.emplace(sampler, texture).second) {
        Log::getInstance().write("Trying to add a Texture ( " + sampler + " ) a second time to Material: " + getName(),
                                 CRITICAL);
    }
}

void Material::bind()
{
    if (!program) {
        return;
    }
    glUniform3f(program->getUniformLocation("kD"), kD.x, kD.y, kD.z);
    glUniform3f(program->getUniformLocation("kS"), kS.x, kS.y, kS.z);
    glUniform1i(program->getUniformLocation("shininess"), shininess);
    glUniform1f(program->getUniformLocation("time"), static_cast<float>(glfwGetTime()));
    GLint unit = 1;
    for (const auto& entry : textures) {
        glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
        glBindTexture(entry.second->target, entry.second->handle);
        glUniform1i(program->getUniformLocation(entry.first.c_str()), unit);
        ++unit;
    }
    for (const auto& entry : floats) {
        glUniform1f(program->getUniformLocation(entry.first.c_str()), entry.second);
    }
}

} // namespace BV
