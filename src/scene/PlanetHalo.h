#pragma once

#include "scene/TextureBillboard.h"

namespace BV {

// The glow of the planet's atmosphere: a large textured billboard at the
// planet's centre, drawn last over everything (the game gives it pass 16)
// and added onto the frame.
class PlanetHalo : public TextureBillboard {
public:
    using TextureBillboard::TextureBillboard;

    // The picture as every textured billboard binds it, then additive
    // blending. Nothing is restored afterwards: later drawing sets its own.
    void prepareDraw() override;
};

} // namespace BV
