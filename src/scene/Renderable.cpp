#include "scene/Renderable.h"

#include <GL/glew.h>

#include "resources/Mesh.h"

namespace BV {

Renderable::Renderable(MeshPart* part, SceneNode* node, std::int32_t pass, bool castsShadow)
    : part(part), node(node), pass(pass), castsShadow(castsShadow)
{
}

Material* Renderable::getMaterial()
{
    return part ? part->material : nullptr;
}

std::uint32_t Renderable::draw()
{
    // A part that never uploaded (its mesh failed to load) has nothing to draw.
    if (!part || part->vertexArray == 0) {
        return 0;
    }
    glBindVertexArray(part->vertexArray);
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(3 * part->triangleCount), GL_UNSIGNED_INT, nullptr);
    return part->triangleCount;
}

std::uint32_t Renderable::drawShadow()
{
    return draw();
}

} // namespace BV
