#pragma once

#include <cstdint>
#include <vector>

namespace BV {

// Smooth value noise from a hashed integer lattice, in 2D (optionally
// tiling) and 3D. Results lie in [0, 1]; the seed picks an independent field.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : seed(seed) {}

    // Tiles with the given period (lattice cells) when period > 0.
    float value(float x, float y, int period) const;
    // Octaves of value noise, each of twice the frequency and half the
    // amplitude; with period > 0 the sum tiles with that period.
    float fbm(float x, float y, int octaves, int period) const;
    float value3(float x, float y, float z) const;
    float fbm3(float x, float y, float z, int octaves) const;

    // A size x size table of fbm that tiles seamlessly; cheap to sample in
    // the large per-pixel loops. cells is the lattice period of the first octave.
    std::vector<float> table(int size, int cells, int octaves) const;

private:
    float lattice(int x, int y, int z) const;

    std::uint32_t seed;
};

} // namespace BV
