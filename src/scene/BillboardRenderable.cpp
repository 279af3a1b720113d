#include "scene/BillboardRenderable.h"

#include "scene/Billboard.h"

namespace BV {

BillboardRenderable::BillboardRenderable(Billboard* billboard)
    : Renderable(nullptr, billboard->node, static_cast<std::int32_t>(billboard->passType), false), billboard(billboard)
{
}

Material* BillboardRenderable::getMaterial()
{
    return billboard->getMaterial();
}

std::uint32_t BillboardRenderable::draw()
{
    return billboard->draw();
}

} // namespace BV
