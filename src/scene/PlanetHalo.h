#pragma once

#include "scene/TextureBillboard.h"

namespace BV {

// The glow of the planet's atmosphere: a large textured billboard at the
// planet's centre, drawn last over everything (the game gives it pass 16)
// and added onto the frame.
//
// Seen from d away, a sphere's outline crosses the billboard's plane at
// r * d / sqrt(d^2 - r^2), which grows as the camera comes closer. The quad
// grows with it (billboard.vert, "outlineRadius"), so the outline stays on
// the same ring of the picture, where the glow is painted brightest, at
// every zoom.
class PlanetHalo : public TextureBillboard {
public:
    using TextureBillboard::TextureBillboard;

    // The picture as every textured billboard binds it, then additive
    // blending and the outline radius for the vertex shader.
    void prepareDraw() override;
    // Sets the outline radius back to 0: the status signs share the program
    // and stay plain quads of their own size.
    void finishDraw() override;

    // World units: the radius of the body the glow surrounds; 0 leaves the
    // quad at its own size.
    float bodyRadius = 0.0f;
};

} // namespace BV
