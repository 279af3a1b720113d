// The game's dice and the seed a game takes from BREVAMOOR_SEED.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "game/Dice.h"
#include "support/TestSupport.h"

namespace BV {
namespace {

// PCG32's first outputs for seed 42 on stream 54, as its reference prints them.
TEST(DiceTest, FollowsThePublishedSequenceAndReplaysFromItsSeed)
{
    const std::uint32_t expected[6] = {0xa15c02b7u, 0x7b47f409u, 0xba1d3330u, 0x83d2f293u, 0xbfa4784bu, 0xcbed606eu};
    Dice::seed(42);
    for (const std::uint32_t value : expected) {
        EXPECT_EQ(Dice::next(), value);
    }
    // roll() spans [0, kMax] like rand(), so "% 100" keeps even shares.
    Dice::seed(42);
    EXPECT_EQ(Dice::getSeed(), 42u);
    for (const std::uint32_t value : expected) {
        EXPECT_EQ(Dice::roll(), static_cast<int>(value >> 1));
    }
}

TEST(DiceTest, SeedFromTheEnvironmentOrTheClockWithOneLineForABadValue)
{
    struct Case {
        const char* text;
        bool valid;
        std::uint32_t value;
    };
    const Case cases[] = {{"0", true, 0},           {"4294967295", true, 4294967295u},
                          {"0042", true, 42},       {"4294967296", false, 0},
                          {"-1", false, 0},         {"12a", false, 0},
                          {" 7", false, 0},         {"", false, 0},
                          {"99999999999", false, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::uint32_t value = 123;
        EXPECT_EQ(Dice::parseSeed(c.text, value), c.valid);
        EXPECT_EQ(value, c.valid ? c.value : 123u);
    }

    testkit::LogWatch watch;
    setenv("BREVAMOOR_SEED", "31337", 1);
    EXPECT_EQ(Dice::seedFromEnvironment(), 31337u);
    unsetenv("BREVAMOOR_SEED");
    const std::uint32_t before = static_cast<std::uint32_t>(std::time(nullptr));
    EXPECT_GE(Dice::seedFromEnvironment(), before); // the clock
    EXPECT_TRUE(watch.lines().empty());

    setenv("BREVAMOOR_SEED", "seven", 1);
    EXPECT_GE(Dice::seedFromEnvironment(), before);
    unsetenv("BREVAMOOR_SEED");
    EXPECT_EQ(watch.lines(), std::vector<std::string>{"CRITICAL :BREVAMOOR_SEED is not a number from 0 to 4294967295: "
                                                      "\"seven\"; the clock seeds the game instead"});
}

} // namespace
} // namespace BV
