#pragma once

#include <glm/vec3.hpp>

#include "scene/Billboard.h"

namespace BV {

// The sun: a bright billboard without a picture, added onto the frame
// ("Sun.mmat", billboard.vert and sun.frag). The game puts it on the
// scene's light node, so it shines where the light comes from.
class Sun : public Billboard {
public:
    Sun(float width, float height);

    // Additive blending and the colour; finishDraw restores alpha blending.
    void prepareDraw() override;
    void finishDraw() override;

    glm::vec3 sunColour{1.0f, 0.98f, 0.98f};

protected:
    Material* loadMaterial() override;
};

} // namespace BV
