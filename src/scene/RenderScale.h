#pragma once

#include <string>
#include <vector>

namespace BV {

// The scale s of the window's size at which the 3D scene is drawn, 0.5 <= s
// <= 1; the interface is always drawn at full size. By default s adapts to
// hold 30 frames a second; fixed, it never moves.
//
// Adapting, it reads time only from the real frame times it is fed, once per
// frame. It takes the median frame of a window of about a second, and treats
// a frame's cost as a fixed part plus s^2 times a pixel part, both learnt
// from the last two windows when they were drawn at different scales (else
// all of the frame is taken as pixel cost, the cautious guess either way):
// - over budget, it steps down at once to the scale the model says holds the
//   budget;
// - under 80 % of the budget, it steps up to the largest scale the model says
//   stays under 80 %. The gap between the two thresholds absorbs the model's
//   error, so in a steady scene a step up does not lead to a step down.
// It settles within two windows of a change of scene. Scales are multiples
// of 1/16, so the scene's target size changes rarely. On a machine that
// holds the budget at s = 1, s stays exactly 1.
class RenderScale {
public:
    static constexpr double kMinScale = 0.5;
    static constexpr double kMaxScale = 1.0;
    static constexpr double kQuantum = 1.0 / 16.0;
    // Seconds: the frame that holds 30 frames a second.
    static constexpr double kBudget = 1.0 / 30.0;

    // Adapting, at s = 1.
    RenderScale() = default;

    // One frame's real duration in seconds. Values that are negative or not
    // finite (a clock that jumped) are ignored.
    void onFrame(double realSeconds);

    double getScale() const { return scale; }
    bool isFixed() const { return fixed; }

    // Fixes s (clamped to [0.5, 1]) until adapt(); tests and benchmarks fix
    // it so that every picture is the same on every machine.
    void fix(double value);
    // Adapts again from the current scale with a fresh window.
    void adapt();

    // BREVAMOOR_RENDER_SCALE, when set, fixes s to a number in [0.5, 1].
    // Anything else there writes one CRITICAL line and s adapts.
    void configureFromEnvironment();
    // True and the number in value when text is a plain decimal ("1", "0.75",
    // ".5") in [0.5, 1].
    static bool parseScale(const std::string& text, double& value);

private:
    // Forgets the current window and the previous measurement.
    void restart();
    void decide(double frame);
    // The scale at which the frame would cost goal seconds; 0 when its fixed
    // part alone costs more.
    double scaleFor(double frame, double goal) const;

    double scale = kMaxScale;
    bool fixed = false;

    // The frames of the current window, in seconds, and their sum.
    std::vector<double> window;
    double windowSeconds = 0.0;
    // The previous window's median frame and the scale it was drawn at; the
    // pair with the current window measures the fixed part. 0: none yet.
    double previousFrame = 0.0;
    double previousScale = 0.0;
};

} // namespace BV
