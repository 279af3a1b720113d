#pragma once

#include <cstdint>
#include <string>

namespace BV {

// The game's one source of chance: terrain, duels, swarm spread and the
// computer's decisions all roll these dice, so one seed replays a whole game
// when the same inputs arrive at the same simulated times. The generator is
// PCG32 (XSH-RR output of a 64-bit LCG, stream 54), written out here so that
// a seed gives the same game on every C library; rand() would not.
class Dice {
public:
    // Largest value roll() returns; matches glibc's RAND_MAX, so a
    // "roll() % m" keeps the shares a "rand() % m" had.
    static constexpr int kMax = 0x7FFFFFFF;

    // Restarts the sequence; the same seed gives the same rolls.
    static void seed(std::uint32_t value);
    static std::uint32_t getSeed();
    // Uniform in [0, kMax].
    static int roll();
    // The raw 32-bit PCG32 output, uniform over all 32 bits.
    static std::uint32_t next();

    // The seed a game starts with: the environment variable BREVAMOOR_SEED
    // when set (a decimal number 0 to 4294967295), else the clock. A value
    // that is not such a number is logged once and the clock is used.
    static std::uint32_t seedFromEnvironment();
    // True and the number in value when text is a plain decimal 0..2^32-1.
    static bool parseSeed(const std::string& text, std::uint32_t& value);
};

} // namespace BV
