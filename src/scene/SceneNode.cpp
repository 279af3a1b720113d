#include "scene/SceneNode.h"

#include "scene/Entity.h"
#include "scene/Scene.h"

namespace BV {

SceneNode::SceneNode(Scene* scene, const std::string& name) : Node(name), scene(scene) {}

SceneNode::SceneNode(Scene* scene) : scene(scene) {}

Node* SceneNode::createChild(const std::string& childName)
{
    return scene->createSceneNode(childName);
}

Node* SceneNode::createChild()
{
    return scene->createSceneNode();
}

void SceneNode::collectRenderables(RenderQueue& queue)
{
    if (entity) {
        entity->collectRenderables(queue);
    }
}

void SceneNode::update(bool updateChildren, bool parentChanged)
{
    Node::update(updateChildren, parentChanged);
    updateBoundingBox();
}

bool SceneNode::isCullable() const
{
    return entity ? entity->cullable : true;
}

void SceneNode::updateBoundingBox()
{
    boundingBox.setNull();
    if (entity) {
        boundingBox = entity->getBoundingBox();
        boundingBox.transform(getWorldMatrix());
    }
    for (auto& entry : children) {
        if (auto* child = dynamic_cast<SceneNode*>(entry.second)) {
            boundingBox.merge(child->boundingBox);
        }
    }
}

} // namespace BV
