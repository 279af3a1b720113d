// Whole games played by script against the computer, and their rule check.
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "game/GameFixture.h"
#include "game/NPC.h"
#include "scene/SceneNode.h"

namespace BV {
namespace {

// One frame drawn per simulated second; 150 frames paused after pauseAfter.
testkit::SelfPlayResult play(std::uint16_t planetSize, std::uint32_t seed, std::uint64_t pauseAfter = 0)
{
    return testkit::SelfPlay({seed, planetSize, 1.0 / 32.0, 900.0, 32, pauseAfter, 150}).run();
}

TEST(SelfPlayTest, GamesAtSizesThreeAndFourEndInAWinKeepingEveryInvariantAndReplay)
{
    std::vector<std::uint64_t> hashes;
    for (const auto& [size, seed] : {std::pair<std::uint16_t, std::uint32_t>{3, 1}, {3, 2}, {4, 1}}) {
        SCOPED_TRACE("planet size " + std::to_string(size) + ", seed " + std::to_string(seed));
        const testkit::SelfPlayResult result = play(size, seed);
        EXPECT_EQ(result.violation, "");
        EXPECT_TRUE(result.humanWon || result.computerWon) << "no winner after " << result.simulatedSeconds << " s";
        EXPECT_GT(result.towersFounded[0] + result.towersFounded[1], 0);
        EXPECT_GT(result.attacks[0] + result.attacks[1], 0);
        EXPECT_EQ(std::count(hashes.begin(), hashes.end(), result.stateHash), 0);
        hashes.push_back(result.stateHash);
    }
    // The first game again, paused five seconds a minute in: the same game.
    const testkit::SelfPlayResult replay = play(3, 1, 1920);
    EXPECT_EQ(replay.violation, "");
    EXPECT_GT(replay.simulatedSeconds, 60.0) << "the game ended before the pause";
    EXPECT_EQ(replay.stateHash, hashes[0]);
}

// With BREVAMOOR_CHECK=1 a broken rule writes one CRITICAL line, only one.
using InvariantTest = testkit::GameFixture;

TEST_F(InvariantTest, EveryBrokenRuleIsNamed)
{
    setenv("BREVAMOOR_CHECK", "1", 1);
    TearDown(), SetUp();
    unsetenv("BREVAMOOR_CHECK");
    step(0.1);
    ASSERT_EQ(game->brokenRule(), "");
    Tower* human = towerOf(humanPlayer);
    Tower* computer = towerOf(computerPlayer);
    NPC* npc = NPC::getInstance();
    Tile& free = *emptyOwnTile();
    Tile& home = planet->tiles[human->tile.index];
    SceneNode* stray = nullptr;
    const struct {
        std::function<void()> breakIt, mend;
        const char* expected;
    } cases[] = {
        {[&] { free.owner = computerPlayer; }, [&] { free.owner = humanPlayer; },
         "has owner 2 but is in the territory of 1"},
        {[&] { home.building = nullptr; }, [&] { home.building = human; }, "is not the one its tile points to"},
        {[&] { human->units = 201; }, [&] { human->units = 200; }, "garrison on tile"},
        {[&] { stray = game->getScene()->createSceneNode(); },
         [&] { game->getScene()->destroySceneNode(stray->getName()); }, "nodes, expected"},
        {[] { glEnable(0xFFFF); }, [] {}, "GL error 1280"},
        {[&] { npc->ownBuildings.clear(); }, [&] { npc->ownBuildings = {computer}; }, "own buildings"},
        {[&] { npc->fullBuildings.push_back(human); }, [&] { npc->fullBuildings.pop_back(); }, "full list holds"},
        {[&] { npc->knownEnemies.push_back(computer); }, [&] { npc->knownEnemies.pop_back(); }, "known enemies hold"},
        {[&] { npc->pendingBuildTiles.push_back(computer->tile.index); }, [&] { npc->pendingBuildTiles.pop_back(); },
         "no founding party"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        c.breakIt();
        const std::string broken = game->brokenRule();
        EXPECT_NE(broken.find(c.expected), std::string::npos) << broken;
        c.mend();
        EXPECT_EQ(game->brokenRule(), "");
    }

    const testkit::LogWatch log;
    stray = game->getScene()->createSceneNode();
    step(0.1), step(0.1);
    game->getScene()->destroySceneNode(stray->getName());
    const std::size_t nodes = game->getScene()->getNodes().size();
    EXPECT_EQ(log.criticalLines(),
              std::vector<std::string>{"CRITICAL :Broken rule at frame 2, seed 1: the scene holds " +
                                       std::to_string(nodes + 1) + " nodes, expected " + std::to_string(nodes)});
}

} // namespace
} // namespace BV
