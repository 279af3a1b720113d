#include "scene/RenderScale.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "app/Log.h"

namespace BV {

namespace {

// A window closes after this many seconds of frames, once it holds at least
// kMinFrames: one long stall (a dragged window, a breakpoint) is then only
// one frame among several, and the median passes over it.
constexpr double kWindowSeconds = 1.0;
constexpr std::size_t kMinFrames = 5;
// At hundreds of frames a second a shorter window says as much.
constexpr std::size_t kMaxFrames = 240;
// Seconds: a frame counts as over budget beyond this. A display's 30 Hz
// rhythm (every other refresh at 60 Hz) gives frames of 33.3 ms with some
// jitter, and that holds 30 frames a second.
constexpr double kOverBudget = 0.034;
// A step up must leave the frame under this share of the budget.
constexpr double kHeadroom = 0.8;

// The largest multiple of the quantum at or below s; the epsilon keeps a
// scale that is already a multiple from falling one step through rounding.
double floorToQuantum(double s)
{
    return std::floor(s / RenderScale::kQuantum + 1e-9) * RenderScale::kQuantum;
}

double clampScale(double s)
{
    // fmax first: a NaN becomes the smallest scale, never a NaN scale.
    return std::fmin(RenderScale::kMaxScale, std::fmax(RenderScale::kMinScale, s));
}

} // namespace

void RenderScale::onFrame(double realSeconds)
{
    if (fixed || !std::isfinite(realSeconds) || realSeconds < 0.0) {
        return;
    }
    window.push_back(realSeconds);
    windowSeconds += realSeconds;
    if (window.size() < kMaxFrames && (window.size() < kMinFrames || windowSeconds < kWindowSeconds)) {
        return;
    }
    const auto middle = window.begin() + static_cast<std::ptrdiff_t>(window.size() / 2);
    std::nth_element(window.begin(), middle, window.end());
    const double frame = *middle;
    window.clear();
    windowSeconds = 0.0;
    decide(frame);
}

void RenderScale::decide(double frame)
{
    double next = scale;
    if (frame > kOverBudget) {
        next = clampScale(std::min(floorToQuantum(scaleFor(frame, kBudget)), scale - kQuantum));
    } else if (frame < kHeadroom * kBudget) {
        next = clampScale(std::max(floorToQuantum(scaleFor(frame, kHeadroom * kBudget)), scale));
    }
    previousFrame = frame;
    previousScale = scale;
    scale = next;
}

double RenderScale::scaleFor(double frame, double goal) const
{
    // Without a second measurement at another scale, all of the frame is
    // taken as pixel cost: a step down is then too small rather than too
    // large, and a step up too small rather than too large.
    double fixedPart = 0.0;
    double pixelPart = frame / (scale * scale);
    const double squares = previousScale * previousScale - scale * scale;
    if (previousFrame > 0.0 && squares != 0.0) {
        const double pixels = (previousFrame - frame) / squares;
        const double rest = frame - pixels * scale * scale;
        // A scene that changed between the two windows can give a fit
        // without meaning; then the cautious guess stands.
        if (pixels > 0.0 && rest >= 0.0) {
            fixedPart = rest;
            pixelPart = pixels;
        }
    }
    if (fixedPart >= goal) {
        return 0.0;
    }
    return pixelPart > 0.0 ? std::sqrt((goal - fixedPart) / pixelPart) : kMaxScale;
}

void RenderScale::fix(double value)
{
    scale = clampScale(value);
    fixed = true;
    restart();
}

void RenderScale::adapt()
{
    fixed = false;
    restart();
}

void RenderScale::restart()
{
    window.clear();
    windowSeconds = 0.0;
    previousFrame = 0.0;
    previousScale = 0.0;
}

bool RenderScale::parseScale(const std::string& text, double& value)
{
    if (text.empty() || text.size() > 16) {
        return false;
    }
    // By hand rather than strtod: no locale, no exponents, hex, "inf" or
    // white space, and "0.75" is exactly 75 / 100.
    std::uint64_t whole = 0;
    std::uint64_t fraction = 0;
    double places = 1.0;
    bool digits = false;
    bool point = false;
    for (const char c : text) {
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9') {
            digits = true;
            std::uint64_t& part = point ? fraction : whole;
            part = part * 10 + static_cast<std::uint64_t>(c - '0');
            places *= point ? 10.0 : 1.0;
        } else {
            return false;
        }
    }
    const double number = static_cast<double>(whole) + static_cast<double>(fraction) / places;
    if (!digits || number < kMinScale || number > kMaxScale) {
        return false;
    }
    value = number;
    return true;
}

void RenderScale::configureFromEnvironment()
{
    const char* text = std::getenv("BREVAMOOR_RENDER_SCALE");
    double value = kMaxScale;
    if (text && *text && parseScale(text, value)) {
        fix(value);
        return;
    }
    if (text && *text) {
        Log::getInstance().write(std::string("BREVAMOOR_RENDER_SCALE is not a number from 0.5 to 1: \"") + text +
                                     "\"; the scene's scale adapts to hold 30 frames a second instead",
                                 CRITICAL);
    }
    adapt();
}

} // namespace BV
