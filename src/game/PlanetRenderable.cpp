#include "game/PlanetRenderable.h"

#include "game/Planet.h"

namespace BV {

PlanetRenderable::PlanetRenderable(Planet* planet) : Renderable(nullptr, planet->node, 2, true), planet(planet) {}

Material* PlanetRenderable::getMaterial()
{
    return planet->material;
}

std::uint32_t PlanetRenderable::draw()
{
    return planet->draw();
}

std::uint32_t PlanetRenderable::drawShadow()
{
    return planet->drawShadow();
}

} // namespace BV
