// The render scale's controller, fed exact frame times from a model of a
// frame's cost (a fixed part plus s^2 times a pixel part), and its setting
// from BREVAMOOR_RENDER_SCALE.
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
    double fixedMs;
    double pixelMs;
    bool vsync = false; // shown on a 60 Hz display's refreshes
};

struct Change {
    double second;
    double scale;
};

// Feeds `seconds` of frames of the scene, each cost wobbling by up to
// `wobble` of itself, and returns every change of scale with its time.
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
        EXPECT_GE(rs.getScale(), 0.5);
        EXPECT_LE(rs.getScale(), 1.0);
        EXPECT_EQ(std::fmod(rs.getScale(), 1.0 / 16.0), 0.0) << rs.getScale();
        if (rs.getScale() != s) {
            changes.push_back({clock, rs.getScale()});
        }
    }
    return changes;
}

TEST(RenderScale, SettlesWithinTwoSecondsOfAChangeAndNeverOscillates)
{
    struct Case {
        Scene scene;
        double settled; // the largest step that holds the budget, or a bound
    };
    const Case cases[] = {
        {{0, 60}, 0.6875},    // all pixel cost: right on the first window
        {{20, 30}, 0.625},    // the fixed part is learnt on the second
        {{15, 40}, 0.625},    //
        {{30, 10}, 0.5625},   //
        {{40, 20}, 0.5},      // the fixed part alone is over budget
        {{10, 100}, 0.5},     //
        {{25, 10}, 0.9375},   // 33.8 ms: within a display's jitter
        {{5, 25}, 1.0},       // holds the budget at full size
        {{20, 0, true}, 1.0}, // 20 ms shown as 33.3 ms on a 60 Hz display
        {{2, 28, true}, 1.0},
    };
    for (const Case& c : cases) {
        for (const double wobble : {0.0, 0.15}) {
            SCOPED_TRACE(std::to_string(c.scene.fixedMs) + " ms + s^2 " + std::to_string(c.scene.pixelMs) +
                         " ms, wobble " + std::to_string(wobble));
            RenderScale rs;
            const std::vector<Change> changes = play(rs, c.scene, 20.0, wobble);
            // Exact frames settle on the second window; a wobble may cost one more.
            EXPECT_LE(changes.size(), wobble > 0 ? 3u : 2u);
            if (!changes.empty()) {
                EXPECT_LT(changes.back().second, wobble > 0 ? 3.5 : 2.5);
            }
            EXPECT_NEAR(rs.getScale(), c.settled, wobble > 0 ? 1.0 / 16.0 : 0.0);
            double previous = 1.0;
            for (const Change& change : changes) {
                EXPECT_LT(change.scale, previous); // never back up: no oscillation
                previous = change.scale;
            }
        }
    }
}

TEST(RenderScale, ComesBackUpWhenTheSceneTurnsLightWithoutOvershooting)
{
    struct Case {
        Scene scene;
        double settled; // the largest step whose frame is under 80 % of the budget
    };
    const Case cases[] = {{{8, 20}, 0.9375}, // 28 ms at 1 is not clear headroom
                          {{18, 6}, 1.0},    // mostly a fixed part: learnt on the first step
                          {{2, 10}, 1.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settled);
        RenderScale rs;
        play(rs, {10, 100}, 5.0);
        ASSERT_EQ(rs.getScale(), 0.5);
        const std::vector<Change> changes = play(rs, c.scene, 20.0);
        ASSERT_FALSE(changes.empty());
        EXPECT_LE(changes.size(), 2u);
        EXPECT_LT(changes.back().second, 2.5);
        EXPECT_EQ(rs.getScale(), c.settled);
        double previous = 0.5;
        for (const Change& change : changes) {
            EXPECT_GT(change.scale, previous); // every step is up
            previous = change.scale;
        }
    }
}

TEST(RenderScale, OneStallAmongFastFramesOrBadTimesMoveNothing)
{
    RenderScale rs;
    for (int i = 0; i < 100; ++i) {
        rs.onFrame(i == 50 ? 5.0 : 0.02);
    }
    rs.onFrame(std::nan(""));
    rs.onFrame(-1.0);
    rs.onFrame(INFINITY);
    EXPECT_EQ(rs.getScale(), 1.0);
    // Fixed, slow frames change nothing until it adapts again.
    rs.fix(0.75);
    play(rs, {10, 100}, 5.0);
    EXPECT_EQ(rs.getScale(), 0.75);
    rs.adapt();
    play(rs, {10, 100}, 5.0);
    EXPECT_EQ(rs.getScale(), 0.5);
    rs.fix(0.2);
    EXPECT_EQ(rs.getScale(), 0.5);
    rs.fix(3.0);
    EXPECT_EQ(rs.getScale(), 1.0);
}

TEST(RenderScale, EnvironmentFixesTheScaleOrLogsOneLineAndAdapts)
{
    struct Case {
        const char* text; // null: unset
        bool fixed;
        double scale;
    };
    const Case cases[] = {{"1", true, 1.0},     {"0.75", true, 0.75}, {"0.5", true, 0.5}, {".6", true, 0.6},
                          {"1.000", true, 1.0}, {nullptr, false, 1},  {"", false, 1},     {"0.49", false, 1},
                          {"1.01", false, 1},   {"-0.7", false, 1},   {"0.7x", false, 1}, {" 0.7", false, 1},
                          {"inf", false, 1},    {"0x1p-1", false, 1}, {"0..7", false, 1}, {".", false, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text ? c.text : "(unset)");
        testkit::LogWatch watch;
        c.text ? setenv("BREVAMOOR_RENDER_SCALE", c.text, 1) : unsetenv("BREVAMOOR_RENDER_SCALE");
        RenderScale rs;
        rs.fix(0.5);
        rs.configureFromEnvironment();
        unsetenv("BREVAMOOR_RENDER_SCALE");
        EXPECT_EQ(rs.isFixed(), c.fixed);
        EXPECT_EQ(rs.getScale(), c.fixed ? c.scale : 0.5); // adapting from where it was
        const bool bad = c.text && *c.text && !c.fixed;
        EXPECT_EQ(watch.lines(), bad ? std::vector<std::string>{std::string("CRITICAL :BREVAMOOR_RENDER_SCALE is not "
                                                                            "a number from 0.5 to 1: \"") +
                                                                c.text +
                                                                "\"; the scene's scale adapts to hold 30 frames "
                                                                "a second instead"}
                                     : std::vector<std::string>{});
    }
}

} // namespace
} // namespace BV
