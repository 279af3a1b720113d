#include "scene/PlanetHalo.h"

#include <GL/glew.h>

#include "resources/Material.h"
#include "resources/ShaderProgram.h"

namespace BV {

namespace {

void setOutlineRadius(Material* material, float radius)
{
    if (material && material->program) {
        glUniform1f(material->program->getUniformLocation("outlineRadius"), radius);
    }
}

} // namespace

void PlanetHalo::prepareDraw()
{
    TextureBillboard::prepareDraw();
    glBlendFunc(GL_ONE, GL_ONE);
    setOutlineRadius(material, bodyRadius);
}

void PlanetHalo::finishDraw()
{
    setOutlineRadius(material, 0.0f);
}

} // namespace BV
