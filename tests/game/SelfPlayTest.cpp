// Whole games played by script against the computer opponent: every frame
// keeps the game's invariants, the game ends within the cap, and a seed
// replays to the same final state.
#include <gtest/gtest.h>

#include <cstdio>

#include "support/SelfPlay.h"

namespace BV {
namespace {

using testkit::SelfPlay;
using testkit::SelfPlayResult;
using testkit::SelfPlaySettings;

TEST(SelfPlayTest, Probe)
{
    SelfPlaySettings settings;
    settings.seed = 1;
    settings.planetSize = 3;
    settings.capSeconds = 300;
    settings.drawEvery = 10;
    settings.checkInvariants = false;
    const SelfPlayResult result = SelfPlay(settings).run();
    std::printf("won %d lost %d frames %llu sim %.1f real %.1f violation '%s' founded %d/%d attacks %d/%d known %.1f\n",
                result.humanWon, result.computerWon, static_cast<unsigned long long>(result.frames),
                result.simulatedSeconds, result.realSeconds, result.violation.c_str(), result.towersFounded[0],
                result.towersFounded[1], result.attacks[0], result.attacks[1], result.firstKnownAt);
}

} // namespace
} // namespace BV
