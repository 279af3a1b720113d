#include "Random.h"

namespace BV {

std::uint32_t Random::next()
{
    state += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<std::uint32_t>((z ^ (z >> 31)) >> 32);
}

float Random::uniform()
{
    // 24 bits fit a float's mantissa exactly, so the result never rounds to 1.
    return static_cast<float>(next() >> 8) * (1.0f / 16777216.0f);
}

} // namespace BV
