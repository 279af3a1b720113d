#pragma once

#include <cstdint>

#include "scene/Renderable.h"

namespace BV {

class Planet;

// The planet's draw request of one frame: the surface in pass 2 with the
// hover and selection outlines over it, and the surface alone in the shadow
// map. Made by the planet's collectRenderables, deleted by the scene.
class PlanetRenderable : public Renderable {
public:
    explicit PlanetRenderable(Planet* planet);

    // The planet's material (null until its drawing is built).
    Material* getMaterial() override;
    std::uint32_t draw() override;
    std::uint32_t drawShadow() override;

    Planet* planet; // not owned
};

} // namespace BV
