#include "scene/Sun.h"

#include <GL/glew.h>

#include "resources/Material.h"
#include "resources/ResourceManager.h"
#include "resources/ShaderProgram.h"
#include "resources/ShaderProgramLoader.h"

namespace BV {

Sun::Sun(float width, float height) : Billboard(width, height)
{
    init();
}

Material* Sun::loadMaterial()
{
    ResourceManager* resources = ResourceManager::getInstance();
    auto* loaded = static_cast<Material*>(resources->getResource("Sun.mmat"));
    auto* programs = static_cast<ShaderProgramLoader*>(resources->getLoader("shdr"));
    if (loaded && programs) {
        loaded->program = programs->createProgram("resources/shader/billboard.vert", "resources/shader/sun.frag");
    }
    return loaded;
}

void Sun::prepareDraw()
{
    // The sun adds light to whatever lies behind it.
    glBlendFunc(GL_ONE, GL_ONE);
    if (material && material->program) {
        glUniform3f(material->program->getUniformLocation("sunColor"), sunColour.r, sunColour.g, sunColour.b);
    }
}

void Sun::finishDraw()
{
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

} // namespace BV
