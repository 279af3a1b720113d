#pragma once

#include <cstdint>

namespace BV {

class Material;
struct MeshPart;
class SceneNode;

// One draw request for one frame: geometry, the node that places it and the
// pass it is drawn in. Owned by the frame's RenderQueue from `add` until the
// renderer deletes it after drawing it (through this base type, hence the
// virtual destructor).
class Renderable {
public:
    // enabled starts true; no pass reads it.
    Renderable(MeshPart* part, SceneNode* node, std::int32_t pass, bool castsShadow);
    virtual ~Renderable() = default;

    // The material the pass binds before `draw`; the base uses the part's.
    virtual Material* getMaterial();
    // Issues the draw calls and returns the number of triangles drawn.
    virtual std::uint32_t draw();
    // Draws into the shadow map; the base draws exactly what `draw` draws.
    virtual std::uint32_t drawShadow();

    MeshPart* part;  // not owned; null for geometry of a subclass's own
    SceneNode* node; // not owned; its world matrix becomes "modelMat"
    std::int32_t pass;
    bool enabled = true;
    bool castsShadow;

private:
    Renderable(const Renderable&) = delete;
    Renderable& operator=(const Renderable&) = delete;
};

} // namespace BV
