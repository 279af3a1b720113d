// Whole games played by script against the computer opponent: every frame
// keeps the game's invariants, the game ends in a win within the cap, and a
// seed replays to the same final state. The invariant check itself is shown
// to catch each kind of broken rule.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "game/GameFixture.h"
#include "game/NPC.h"
#include "scene/Scene.h"
#include "scene/SceneNode.h"
#include "support/SelfPlay.h"

namespace BV {
namespace {

using testkit::SelfPlay;
using testkit::SelfPlayResult;
using testkit::SelfPlaySettings;

SelfPlayResult play(std::uint16_t planetSize, std::uint32_t seed, std::uint64_t pauseAfter = 0)
{
    SelfPlaySettings settings;
    settings.pauseAfter = pauseAfter;
    settings.pauseFrames = 150;
    settings.seed = seed;
    settings.planetSize = planetSize;
    settings.capSeconds = 900.0;
    settings.drawEvery = 32; // one drawn frame per simulated second
    return SelfPlay(settings).run();
}

TEST(SelfPlayTest, GamesAtSizesThreeAndFourEndInAWinKeepingEveryInvariantAndReplay)
{
    struct Case {
        std::uint16_t planetSize;
        std::uint32_t seed;
    };
    const Case cases[] = {{3, 1}, {3, 2}, {4, 1}};
    std::uint64_t firstHash = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE("planet size " + std::to_string(c.planetSize) + ", seed " + std::to_string(c.seed));
        const SelfPlayResult result = play(c.planetSize, c.seed);
        EXPECT_EQ(result.violation, "");
        EXPECT_TRUE(result.humanWon || result.computerWon) << "no winner after " << result.simulatedSeconds << " s";
        EXPECT_GT(result.towersFounded[0] + result.towersFounded[1], 0);
        EXPECT_GT(result.attacks[0] + result.attacks[1], 0);
        if (firstHash == 0) {
            firstHash = result.stateHash;
        } else {
            EXPECT_NE(result.stateHash, firstHash);
        }
    }
    // The first game again, from its seed alone, with five seconds of pause
    // a minute in: no simulated time passes while paused.
    const SelfPlayResult replay = play(cases[0].planetSize, cases[0].seed, 1920);
    EXPECT_EQ(replay.violation, "");
    EXPECT_GT(replay.simulatedSeconds, 60.0) << "the game ended before the pause";
    EXPECT_EQ(replay.stateHash, firstHash);
}

// Each rule the self-play games rely on, broken on purpose in a fresh game:
// the check must name it. With BREVAMOOR_CHECK=1 a frame that ends with a
// broken rule writes one CRITICAL line naming the rule, the frame and the
// seed, and only one.
class InvariantTest : public testkit::GameFixture {
protected:
    void SetUp() override
    {
        setenv("BREVAMOOR_CHECK", "1", 1);
        GameFixture::SetUp();
        unsetenv("BREVAMOOR_CHECK");
    }
};

TEST_F(InvariantTest, EveryBrokenRuleIsNamed)
{
    step(0.1);
    ASSERT_EQ(game->brokenRule(), "");
    Tower* human = towerOf(humanPlayer);
    Tower* computer = towerOf(computerPlayer);
    NPC* npc = NPC::getInstance();
    ASSERT_NE(emptyOwnTile(), nullptr);
    Tile& free = *emptyOwnTile();
    SceneNode* stray = nullptr;
    struct Case {
        const char* name;
        std::function<void()> breakIt;
        std::function<void()> mend;
        const char* expected;
    };
    const Case cases[] = {
        {"owner without territory", [&] { free.owner = computerPlayer; }, [&] { free.owner = humanPlayer; },
         "has owner 2 but is in the territory of 1"},
        {"tile forgets its building", [&] { planet->tiles[human->tile.index].building = nullptr; },
         [&] { planet->tiles[human->tile.index].building = human; }, "is not the one its tile points to"},
        {"garrison over 200", [&] { human->units = 201; }, [&] { human->units = 200; }, "garrison on tile"},
        {"scene node left over", [&] { stray = game->getScene()->createSceneNode(); },
         [&] { game->getScene()->destroySceneNode(stray->getName()); }, "nodes, expected"},
        {"GL error", [] { glEnable(0xFFFF); }, [] {}, "GL error 1280"},
        {"own building lost from the list", [&] { npc->ownBuildings.clear(); }, [&] { npc->ownBuildings = {computer}; },
         "own buildings"},
        {"a human tower in the full list", [&] { npc->fullBuildings.push_back(human); },
         [&] { npc->fullBuildings.pop_back(); }, "full list holds"},
        {"its own tower as a known enemy", [&] { npc->knownEnemies.push_back(computer); },
         [&] { npc->knownEnemies.pop_back(); }, "known enemies hold"},
        {"a pending tile nobody flies to", [&] { npc->pendingBuildTiles.push_back(computer->tile.index); },
         [&] { npc->pendingBuildTiles.pop_back(); }, "no founding party"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.breakIt();
        const std::string broken = game->brokenRule();
        EXPECT_NE(broken.find(c.expected), std::string::npos) << broken;
        c.mend();
        EXPECT_EQ(game->brokenRule(), "");
    }

    const testkit::LogWatch log;
    stray = game->getScene()->createSceneNode();
    step(0.1);
    step(0.1);
    game->getScene()->destroySceneNode(stray->getName());
    EXPECT_EQ(log.criticalLines(),
              std::vector<std::string>{"CRITICAL :Broken rule at frame 2, seed 1: the scene holds " +
                                       std::to_string(game->getScene()->getNodes().size() + 1) + " nodes, expected " +
                                       std::to_string(game->getScene()->getNodes().size())});
}

} // namespace
} // namespace BV
