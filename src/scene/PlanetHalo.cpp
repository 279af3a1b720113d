#include "scene/PlanetHalo.h"

#include <GL/glew.h>

namespace BV {

void PlanetHalo::prepareDraw()
{
    TextureBillboard::prepareDraw();
    glBlendFunc(GL_ONE, GL_ONE);
}

} // namespace BV
