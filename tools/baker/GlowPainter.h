#pragma once

#include "Image.h"

namespace BV {

// Radial light images: the planet's atmosphere halo, the lens-flare
// elements and the swarm particle. All are drawn with additive blending in
// the game, so their colour is already scaled by their alpha (black where
// nothing shines) and they work with alpha blending as well.
class GlowPainter {
public:
    // haloSize is the billboard's edge in world units, planetRadius the
    // planet's; the glow peaks just outside the planet's silhouette.
    static Image halo(int size, float haloSize, float planetRadius);
    static Image flare(int index, int size); // index 1 to 4
    static Image swarmDot(int size);
};

} // namespace BV
