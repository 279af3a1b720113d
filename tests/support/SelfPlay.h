#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace BV {
class Entity;
class Game;
} // namespace BV

namespace BV::testkit {

struct SelfPlaySettings {
    std::uint32_t seed = 1;
    std::uint16_t planetSize = 3;
    // Simulated seconds per frame: a binary fraction, so every clock reading
    // and every difference of two is exact and a pause, which shifts the
    // clock, leaves each frame's dt the same to the last bit.
    double step = 1.0 / 32.0;
    double capSeconds = 900.0;   // simulated seconds before the game is called off
    bool checkInvariants = true; // after every frame; the game stops at the first violation
    double policyInterval = 1.0; // simulated seconds between the scripted player's decisions
    int drawEvery = 1;           // frames advanced per frame drawn
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
// opponent, the human side by a small script that clicks through the
// game's own hover rules and click handler. Time is driven with glfwSetTime
// at a fixed step, every drawEvery-th frame is drawn, and after every frame
// the game's own rules are checked (Game::brokenRule). The window must exist;
// the loaders and the overlay drawing are set up on first use.
class SelfPlay {
public:
    explicit SelfPlay(const SelfPlaySettings& settings) : settings(settings) {}

    SelfPlayResult run();

private:
    void playHuman(Game& game);
    void countNewSwarms(const Game& game);
    void countNewTowers(const Game& game);

    SelfPlaySettings settings;
    SelfPlayResult result;
    double policyTimer = 0.0;
    float reach = 0.0f; // world units within which the script attacks
    // The swarms seen after the last frame, and whether each had finished:
    // a finished one is deleted in the next frame, so its address may come
    // back as a new swarm.
    std::unordered_map<const Entity*, bool> seenSwarms;
    std::size_t seenBuildings = 2;
};

} // namespace BV::testkit
