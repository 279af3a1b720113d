#pragma once

#include "scene/Renderable.h"

namespace BV {

class MilitaryBuilding;

// Draws a military building's model after letting the building set its
// garrison and owner uniforms; opaque pass, casts a shadow.
class MilitaryBuildingRenderable : public Renderable {
public:
    MilitaryBuildingRenderable(MeshPart* part, SceneNode* node, MilitaryBuilding* building);

    std::uint32_t draw() override;
    // The shadow pass has its own program: no garrison uniforms there.
    std::uint32_t drawShadow() override;

    MilitaryBuilding* building; // not owned
};

} // namespace BV
