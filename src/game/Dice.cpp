#include "game/Dice.h"

#include <cstdlib>
#include <ctime>

#include "app/Log.h"

namespace BV {

namespace {

constexpr std::uint64_t kMultiplier = 6364136223846793005ull;
// Stream 54, as an odd increment.
constexpr std::uint64_t kIncrement = (54ull << 1u) | 1u;

std::uint64_t state = 0;
std::uint32_t currentSeed = 0;

} // namespace

std::uint32_t Dice::next()
{
    const std::uint64_t old = state;
    state = old * kMultiplier + kIncrement;
    const auto shifted = static_cast<std::uint32_t>(((old >> 18u) ^ old) >> 27u);
    const auto rotation = static_cast<std::uint32_t>(old >> 59u);
    return (shifted >> rotation) | (shifted << ((32u - rotation) & 31u));
}

void Dice::seed(std::uint32_t value)
{
    currentSeed = value;
    state = 0;
    next();
    state += value;
    next();
}

std::uint32_t Dice::getSeed()
{
    return currentSeed;
}

int Dice::roll()
{
    return static_cast<int>(next() >> 1u);
}

bool Dice::parseSeed(const std::string& text, std::uint32_t& value)
{
    if (text.empty() || text.size() > 10) {
        return false;
    }
    std::uint64_t number = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        number = number * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (number > 0xFFFFFFFFull) {
        return false;
    }
    value = static_cast<std::uint32_t>(number);
    return true;
}

std::uint32_t Dice::seedFromEnvironment()
{
    const auto clock = static_cast<std::uint32_t>(std::time(nullptr));
    const char* text = std::getenv("BREVAMOOR_SEED");
    if (!text || !*text) {
        return clock;
    }
    std::uint32_t value = 0;
    if (!parseSeed(text, value)) {
        Log::getInstance().write(std::string("BREVAMOOR_SEED is not a number from 0 to 4294967295: \"") + text +
                                     "\"; the clock seeds the game instead",
                                 CRITICAL);
        return clock;
    }
    return value;
}

} // namespace BV
