#pragma once

#include <cstdint>

#include "app/BoundingBox.h"
#include "scene/Entity.h"

namespace BV {

class Material;

// An entity drawn as one camera-facing quad (or many instanced quads) with
// its own small vertex array and a material made at run time: the base of
// the sun, the planet halo, the building status signs and the swarms.
//
// A subclass that is constructed directly calls init() at the end of its
// constructor, once its own fields are set, so that the virtual loadMaterial
// reaches its own version.
class Billboard : public Entity {
public:
    // width, height: the quad's size in world units ("billboardSize").
    Billboard(float width, float height);
    // Deletes the vertex array; the material stays with the resource manager.
    ~Billboard() override;

    // The box set at construction: a cube of the width around the node.
    BoundingBox getBoundingBox() override;
    void update(double dt) override;
    // One BillboardRenderable, while visible.
    void collectRenderables(RenderQueue& queue) override;

    // Around the draw; the pass has made the material's program current.
    virtual void prepareDraw();
    virtual void finishDraw();

    // The draw of the frame's pass: one quad, or one instanced call when
    // instanceCount is above 1. Returns 2 triangles per instance (so 0 for
    // instanceCount 0, although one quad is drawn).
    std::uint32_t draw();

    Material* getMaterial() const { return material; }

    float width;  // world units
    float height; // world units
    // Render pass bit (1, 2, 4, 8, 16) the billboard is drawn in.
    std::uint32_t passType = 1;
    std::uint32_t instanceCount = 1;

protected:
    // The material to draw with, filled and with its program set; owned by
    // the resource manager.
    virtual Material* loadMaterial() = 0;
    // Takes loadMaterial's material and loads it if it is not loaded.
    void init();

    Material* material = nullptr; // owned by the resource manager
    std::uint32_t vertexArray = 0;
    std::uint32_t vertexBuffer = 0; // the quad's corners; deleted with the billboard
    BoundingBox box;
};

} // namespace BV
