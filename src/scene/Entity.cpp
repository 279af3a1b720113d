#include "scene/Entity.h"

#include "resources/Mesh.h"
#include "scene/RenderQueue.h"
#include "scene/Renderable.h"

namespace BV {

BoundingBox Entity::getBoundingBox()
{
    if (meshIndex >= meshes.size() || !meshes[meshIndex]) {
        return BoundingBox();
    }
    return meshes[meshIndex]->boundingBox;
}

void Entity::update(double) {}

void Entity::collectRenderables(RenderQueue& queue)
{
    if (!visible || meshIndex >= meshes.size() || !meshes[meshIndex]) {
        return;
    }
    for (MeshPart& entry : meshes[meshIndex]->parts) {
        MeshPart* part = &entry;
        // Opaque geometry throws shadows; sky, billboards and overlays do not.
        const bool castsShadow = part->pass == 2 || part->pass == 4;
        queue.add(new Renderable(part, node, part->pass, castsShadow)); // owned by the queue
    }
}

} // namespace BV
