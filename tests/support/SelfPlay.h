#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace BV {
class Game;
} // namespace BV

namespace BV::testkit {

// A new seeded game on the binary's window, configured as at start, on `clock`.
std::unique_ptr<Game> startGame(std::uint16_t planetSize, std::uint32_t seed, std::function<double()> clock);

struct SelfPlaySettings {
    std::uint32_t seed = 1;
    std::uint16_t planetSize = 3;
    // A binary fraction: every dt is exact, before and after a pause.
    double step = 1.0 / 32.0;
    double capSeconds = 900.0; // simulated seconds before the game is called off
    int drawEvery = 1;         // frames advanced per frame drawn
    // The player pauses after this many frames (0: never) for pauseFrames.
    std::uint64_t pauseAfter = 0;
    std::uint64_t pauseFrames = 0;
};

struct SelfPlayResult {
    bool humanWon = false;
    bool computerWon = false;
    std::uint64_t frames = 0; // simulated frames: paused ones not counted
    double simulatedSeconds = 0.0;
    double realSeconds = 0.0;
    std::string violation; // the first broken rule with its frame and seed; empty if none
    std::uint64_t stateHash = 0;
    int towersFounded[2] = {0, 0}; // [0] the human side, [1] the computer
    int attacks[2] = {0, 0};
    double firstKnownAt = -1.0; // when the computer first knew of a human building; -1: never
};

// One whole game against the computer, the human's script clicking through
// the hover rules; it stops at the first rule broken (Game::brokenRule).
class SelfPlay {
public:
    explicit SelfPlay(const SelfPlaySettings& settings) : settings(settings) {}

    SelfPlayResult run() const;

private:
    SelfPlaySettings settings;
};

} // namespace BV::testkit
