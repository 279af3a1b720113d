#pragma once

#include <cstdint>

#include "scene/Renderable.h"

namespace BV {

class Billboard;

// The frame's draw request for one billboard: no mesh part, the billboard's
// node and pass, never a shadow caster.
class BillboardRenderable : public Renderable {
public:
    explicit BillboardRenderable(Billboard* billboard);

    Material* getMaterial() override;
    std::uint32_t draw() override;

    Billboard* billboard; // not owned
};

} // namespace BV
