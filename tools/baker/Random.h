#pragma once

#include <cstdint>

namespace BV {

// The baker's own generator (SplitMix64), so that every bake paints the same
// bytes on every machine; the C library's rand() differs between platforms.
class Random {
public:
    explicit Random(std::uint64_t seed) : state(seed) {}

    std::uint32_t next();
    // Uniform in [0, 1).
    float uniform();
    float range(float low, float high) { return low + (high - low) * uniform(); }

private:
    std::uint64_t state;
};

} // namespace BV
