#include "game/MilitaryBuildingRenderable.h"

#include "game/MilitaryBuilding.h"

namespace BV {

MilitaryBuildingRenderable::MilitaryBuildingRenderable(MeshPart* part, SceneNode* node, MilitaryBuilding* building)
    : Renderable(part, node, 2, true), building(building)
{
}

std::uint32_t MilitaryBuildingRenderable::draw()
{
    building->setUniforms(getMaterial());
    return Renderable::draw();
}

std::uint32_t MilitaryBuildingRenderable::drawShadow()
{
    return Renderable::draw();
}

} // namespace BV
