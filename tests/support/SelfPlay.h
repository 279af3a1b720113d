#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace BV {
class Game;
} // namespace BV

namespace BV::testkit {

// A new seeded game on the binary's window, configured as at start (the
// loaders and the overlay drawing made on first use), drawn at the window's
// full size and reading `clock` for its time, with no GL error pending.
std::unique_ptr<Game> startGame(std::uint16_t planetSize, std::uint32_t seed, std::function<double()> clock);

struct SelfPlaySettings {
    std::uint32_t seed = 1;
    std::uint16_t planetSize = 3;
    // Simulated seconds per frame: a binary fraction, so every clock reading
    // and every difference of two is exact and a pause, which shifts the
    // clock, leaves each frame's dt the same to the last bit.
    double step = 1.0 / 32.0;
    double capSeconds = 900.0; // simulated seconds before the game is called off
    int drawEvery = 1;         // frames advanced per frame drawn
    // The player pauses the game after this many frames (0: never) for
    // pauseFrames frames; the script waits for the game to go on.
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

// Plays one whole game on the current window: the computer by its own
// opponent, the human side by a small script that clicks through the game's
// own hover rules and click handler once a simulated second. Time advances
// at a fixed step, every drawEvery-th frame is drawn, and the game stops at
// the first of its own rules broken after a frame (Game::brokenRule).
class SelfPlay {
public:
    explicit SelfPlay(const SelfPlaySettings& settings) : settings(settings) {}

    SelfPlayResult run() const;

private:
    SelfPlaySettings settings;
};

} // namespace BV::testkit
