#pragma once

#include <string>

#include "app/BoundingBox.h"
#include "scene/Node.h"

namespace BV {

class Entity;
class Scene;

// A node of the scene's tree that may carry one entity and keeps the world
// box around that entity and every scene node below it. Made only through
// Scene::createSceneNode; owned by that scene and deleted in ~Scene (or by
// Scene::destroySceneNode).
class SceneNode : public Node {
public:
    SceneNode(Scene* scene, const std::string& name);
    // Generated name, as for every unnamed node.
    explicit SceneNode(Scene* scene);

    // Both create the node through the scene, which attaches it to the root,
    // not to this node: move it with addChild if it belongs here.
    Node* createChild(const std::string& name) override;
    Node* createChild() override;
    // The entity's renderables, if there is an entity.
    void collectRenderables(RenderQueue& queue) override;
    // Node's update, then the box (children are updated first, so their boxes
    // are current).
    void update(bool updateChildren, bool parentChanged) override;

    // The entity's cullable flag; true without an entity.
    virtual bool isCullable() const;
    // World box of the entity's mesh merged with the boxes of the scene-node
    // children.
    virtual void updateBoundingBox();

    const BoundingBox& getBoundingBox() const { return boundingBox; }
    Scene* getScene() const { return scene; }

    Entity* entity = nullptr; // not owned; the entity's `node` points back here

private:
    BoundingBox boundingBox;
    Scene* scene;
};

} // namespace BV
