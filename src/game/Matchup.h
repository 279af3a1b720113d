#pragma once

#include <cstdint>

namespace BV {

// The odds of a duel of a unit from terrain `attacker` against one on
// terrain `defender` (100 is even; 150 favours the attacker, 50 the
// defender). Grassland beats moor, desert beats rock, moor beats desert,
// rock beats grassland; every other pair, water included, is even.
inline std::uint32_t matchup(std::uint32_t attacker, std::uint32_t defender)
{
    static const std::uint32_t table[4][4] = {
        {100, 100, 150, 50},
        {100, 100, 50, 150},
        {50, 150, 100, 100},
        {150, 50, 100, 100},
    };
    if (attacker < 1 || attacker > 4 || defender < 1 || defender > 4) {
        return 100;
    }
    return table[attacker - 1][defender - 1];
}

} // namespace BV
