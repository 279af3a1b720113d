#pragma once

#include <cstdint>
#include <vector>

#include "app/BoundingBox.h"

namespace BV {

class Mesh;
class RenderQueue;
class SceneNode;

// Base of every game object the scene draws. The entity and the scene node
// that carries it point at each other; whoever attaches the entity sets both.
// Deleted through this base by the game, hence the virtual destructor.
class Entity {
public:
    Entity() = default;
    virtual ~Entity() = default;

    // The box of the mesh at meshIndex, in mesh coordinates; a null box when
    // there is no such mesh.
    virtual BoundingBox getBoundingBox();
    // dt in seconds since the previous frame.
    virtual void update(double dt);
    // While visible: one Renderable per part of the mesh at meshIndex, in part
    // order, casting a shadow exactly when its pass is 2 or 4.
    virtual void collectRenderables(RenderQueue& queue);

    SceneNode* node = nullptr; // not owned
    std::vector<Mesh*> meshes; // not owned; the resource manager keeps meshes
    bool visible = true;
    std::uint32_t meshIndex = 0;
    // Whether the scene may skip the entity by its box (the sky box may not).
    bool cullable = true;

private:
    Entity(const Entity&) = delete;
    Entity& operator=(const Entity&) = delete;
};

} // namespace BV
