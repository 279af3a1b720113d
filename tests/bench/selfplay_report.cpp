// Plays whole seeded games between the scripted player and the computer
// opponent and prints, per game, the winner, the length, towers founded and
// attacks per side, when the computer first knew of a human tower, and the
// real time each simulated minute cost. A tool for judging balance and speed.
// Run from the build's run directory, under X (xvfb-run works):
//   cd build/run && xvfb-run -a ../tests/bench_selfplay_report [sizes] [-seeds N]
// Without arguments: planet sizes 3 to 6, seeds 1 to 10.

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/Window.h"
#include "support/ProgramWindow.h"
#include "support/SelfPlay.h"

using namespace BV;

namespace {

const char* winnerOf(const testkit::SelfPlayResult& result)
{
    if (!result.violation.empty()) {
        return "broken";
    }
    return result.humanWon ? "human" : result.computerWon ? "computer" : "none";
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<int> sizes;
    int seeds = 10;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "-seeds" && i + 1 < argc) {
            seeds = std::atoi(argv[++i]);
        } else if (std::atoi(argv[i]) >= 1 && std::atoi(argv[i]) <= 9) {
            sizes.push_back(std::atoi(argv[i]));
        } else {
            std::fprintf(stderr, "usage: %s [planet sizes 1-9 ...] [-seeds N]\n", argv[0]);
            return 2;
        }
    }
    if (sizes.empty()) {
        sizes = {3, 4, 5, 6};
    }
    if (!testkit::openProgramWindow(800, 600, "Brevamoor self-play report")) {
        return 1;
    }
    std::printf("scripted human against the computer opponent; 1/32 s steps, every 30th frame drawn, cap 1800 s\n");
    std::printf("%4s %4s %8s %8s %8s %8s %8s %8s %9s %10s\n", "size", "seed", "winner", "length s", "towers h",
                "towers c", "attack h", "attack c", "c knew s", "real s/min");
    for (const int size : sizes) {
        for (int seed = 1; seed <= seeds; ++seed) {
            testkit::SelfPlaySettings settings;
            settings.seed = static_cast<std::uint32_t>(seed);
            settings.planetSize = static_cast<std::uint16_t>(size);
            settings.capSeconds = 1800.0;
            settings.drawEvery = 30;
            const testkit::SelfPlayResult result = testkit::SelfPlay(settings).run();
            std::printf("%4d %4d %8s %8.1f %8d %8d %8d %8d %9.1f %10.2f\n", size, seed, winnerOf(result),
                        result.simulatedSeconds, result.towersFounded[0], result.towersFounded[1], result.attacks[0],
                        result.attacks[1], result.firstKnownAt, result.realSeconds * 60.0 / result.simulatedSeconds);
            if (!result.violation.empty()) {
                std::printf("     %s\n", result.violation.c_str());
            }
            std::fflush(stdout);
        }
    }
    return 0;
}
