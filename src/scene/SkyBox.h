#pragma once

#include "scene/Entity.h"

namespace BV {

// The star background: a cube of half-size 2000 around the world origin,
// drawn first in every frame (pass 1) with the star cube map and a faint
// cloud layer. It is never culled and never moves; the game attaches it to a
// scene node at the origin. Mesh, material and textures are resources built
// in code on the first construction and shared by any later sky box.
class SkyBox : public Entity {
public:
    SkyBox();

    static constexpr float halfSize = 2000.0f; // world units
};

} // namespace BV
