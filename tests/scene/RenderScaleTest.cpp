// The render scale's controller, fed frame times of a fixed part plus s^2
// times a pixel part, and its setting from BREVAMOOR_RENDER_SCALE.
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "scene/RenderScale.h"
#include "support/TestSupport.h"

namespace BV {
namespace {

struct Scene {
    double fixedMs, pixelMs;
    bool vsync = false; // shown on a 60 Hz display's refreshes
};

struct Change {
    double second, scale;
};

// Plays `seconds` of frames, costs wobbling by `wobble`; returns each change.
std::vector<Change> play(RenderScale& rs, const Scene& scene, double seconds, double wobble = 0.0)
{
    std::vector<Change> changes;
    double clock = 0.0;
    for (int i = 0; clock < seconds; ++i) {
        const double s = rs.getScale();
        double ms = (scene.fixedMs + scene.pixelMs * s * s) * (1.0 + wobble * std::sin(i * 1.7));
        if (scene.vsync) {
            ms = std::ceil(ms / (1000.0 / 60.0)) * (1000.0 / 60.0) + 0.3 * std::sin(i * 2.3);
        }
        rs.onFrame(ms / 1000.0);
        clock += ms / 1000.0;
        const double now = rs.getScale(); // within the bounds, on a 1/16 step
        EXPECT_TRUE(now >= 0.5 && now <= 1.0 && std::fmod(now, 1.0 / 16.0) == 0.0) << now;
        if (now != s) {
            changes.push_back({clock, now});
        }
    }
    return changes;
}

TEST(RenderScale, SettlesWithinTwoSecondsOfAChangeOfSceneAndNeverOscillates)
{
    struct Case {
        bool fromHalf; // after a heavy scene that took it down to 0.5
        Scene scene;
        double settled; // the largest step that holds the budget, or a bound
    };
    const Case cases[] = {
        {false, {0, 60}, 0.6875},    // all pixel cost: right on the first window
        {false, {20, 30}, 0.625},    // the fixed part is learnt on the second
        {false, {40, 20}, 0.5},      // the fixed part alone is over budget
        {false, {25, 10}, 0.9375},   // 33.8 ms: within a display's jitter
        {false, {5, 25}, 1.0},       // holds the budget at full size
        {false, {20, 0, true}, 1.0}, // 20 ms shown as 33.3 ms on a 60 Hz display
        {true, {8, 20}, 0.9375},     // up while under 80 % of the budget: 28 ms at 1 is not
        {true, {18, 6}, 1.0},        // mostly a fixed part: learnt on the first step up
    };
    for (const Case& c : cases) {
        for (const double wobble : {0.0, 0.15}) {
            SCOPED_TRACE(testing::Message() << c.scene.fixedMs << " + s^2 " << c.scene.pixelMs << " ms, " << wobble);
            RenderScale rs;
            if (c.fromHalf) {
                play(rs, {10, 100}, 5.0);
                ASSERT_EQ(rs.getScale(), 0.5);
            }
            const double start = rs.getScale();
            const std::vector<Change> changes = play(rs, c.scene, 20.0, wobble);
            // Exact frames settle on the second window; a wobble may cost one more.
            EXPECT_LE(changes.size(), wobble > 0 ? 3u : 2u);
            EXPECT_LT(changes.empty() ? 0.0 : changes.back().second, wobble > 0 ? 3.5 : 2.5);
            EXPECT_NEAR(rs.getScale(), c.settled, wobble > 0 ? 1.0 / 16.0 : 0.0);
            double previous = start;
            for (const Change& change : changes) { // every step the same way
                EXPECT_EQ(change.scale > previous, c.settled > start);
                previous = change.scale;
            }
        }
    }
}

TEST(RenderScale, OneStallAmongFastFramesOrBadTimesMoveNothing)
{
    RenderScale rs;
    for (int i = 0; i < 100; ++i) {
        rs.onFrame(i == 50 ? 5.0 : 0.02);
    }
    for (const double bad : {std::nan(""), -1.0, HUGE_VAL}) {
        rs.onFrame(bad);
    }
    EXPECT_EQ(rs.getScale(), 1.0);
    // Fixed, slow frames change nothing until it adapts again.
    rs.fix(0.75);
    play(rs, {10, 100}, 5.0);
    EXPECT_EQ(rs.getScale(), 0.75);
    rs.adapt();
    play(rs, {10, 100}, 5.0);
    EXPECT_EQ(rs.getScale(), 0.5);
    rs.fix(3.0); // clamped to the bounds
    EXPECT_EQ(rs.getScale(), 1.0);
}

TEST(RenderScale, EnvironmentFixesTheScaleOrLogsOneLineAndAdapts)
{
    // The text (null: unset) and the scale it fixes (0: adapts).
    const struct {
        const char* text;
        double fixed;
    } cases[] = {{"1", 1.0}, {"0.75", 0.75}, {"0.5", 0.5}, {".6", 0.6}, {"1.000", 1.0}, {nullptr, 0},
                 {"", 0},    {"0.49", 0},    {"1.01", 0},  {"-0.7", 0}, {"0.7x", 0},    {" 0.7", 0},
                 {"inf", 0}, {"0x1p-1", 0},  {"0..7", 0},  {".", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text ? c.text : "(unset)");
        testkit::LogWatch watch;
        c.text ? setenv("BREVAMOOR_RENDER_SCALE", c.text, 1) : unsetenv("BREVAMOOR_RENDER_SCALE");
        RenderScale rs;
        rs.fix(0.5625);
        rs.configureFromEnvironment();
        unsetenv("BREVAMOOR_RENDER_SCALE");
        EXPECT_EQ(rs.isFixed(), c.fixed > 0);
        EXPECT_EQ(rs.getScale(), c.fixed > 0 ? c.fixed : 0.5625); // adapting from where it was
        const std::string line = std::string("CRITICAL :BREVAMOOR_RENDER_SCALE is not a number from 0.5 to 1: \"") +
                                 (c.text ? c.text : "") +
                                 "\"; the scene's scale adapts to hold 30 frames a second instead";
        EXPECT_EQ(watch.lines(), std::vector<std::string>(c.text && *c.text && c.fixed == 0 ? 1 : 0, line));
    }
}

} // namespace
} // namespace BV
