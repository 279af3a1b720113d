#pragma once

#include <vector>

#include "Image.h"

namespace BV {

// Paints the star background: six cube-map faces of one star field and a
// soft cloud layer. Stars are placed as 3D directions and projected into
// every face they touch, so a star on a face edge continues on the next face.
class SkyPainter {
public:
    explicit SkyPainter(int faceSize);

    // Face index in OpenGL's order: 0 +X, 1 -X, 2 +Y, 3 -Y, 4 +Z, 5 -Z.
    Image face(int index) const;
    // Nebula clouds (colour plus density in alpha), fading to nothing at the
    // picture's borders so that it can lie on each sky face without seams.
    static Image clouds(int size);

    // Direction (not normalised) of face coordinates sc, tc in [-1, 1], as
    // OpenGL's cube-map lookup defines them.
    static void faceDirection(int index, float sc, float tc, float dir[3]);
    // The inverse: false when the direction points away from the face.
    static bool projectToFace(int index, const float dir[3], float* sc, float* tc);

private:
    struct Star {
        float dir[3];
        Colour colour; // already scaled by brightness
        float sigma;   // spread in pixels
        bool spikes;   // the brightest few get a faint cross
    };

    void paintBackground(Image& image, int index) const;
    void splat(Image& image, const Star& star, float px, float py) const;

    int size;
    std::vector<Star> stars;
};

} // namespace BV
