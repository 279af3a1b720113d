// The computer opponent: its bookkeeping events, the once-a-second think,
// its target choice and its choice of building sites.
#include <gtest/gtest.h>

#include <cstdlib>

#include "game/GameFixture.h"
#include "game/NPC.h"
#include "game/Planet.h"
#include "game/Player.h"
#include "game/Territory.h"
#include "game/Tower.h"

namespace BV {
namespace {

class NPCTest : public testkit::GameFixture {
protected:
    void SetUp() override
    {
        GameFixture::SetUp();
        npc = NPC::getInstance();
        home = dynamic_cast<Tower*>(computerPlayer->buildings.front());
        enemy = dynamic_cast<Tower*>(humanPlayer->buildings.front());
    }

    NPC* npc = nullptr;
    Tower* home = nullptr;
    Tower* enemy = nullptr;
};

TEST_F(NPCTest, FinishedAndFullBuildingsAreReportedOnceEach)
{
    step(0.1);
    EXPECT_EQ(npc->ownBuildings, std::vector<MilitaryBuilding*>{home});
    EXPECT_EQ(npc->fullBuildings, std::vector<MilitaryBuilding*>{home});
    home->setUnitCount(150);
    EXPECT_TRUE(npc->fullBuildings.empty());
    home->setUnitCount(200);
    home->setUnitCount(200); // already full: not reported again
    EXPECT_EQ(npc->fullBuildings, std::vector<MilitaryBuilding*>{home});
}

TEST_F(NPCTest, ALongFrameThinksOnceAndResetsTheTimer)
{
    step(0.1);
    npc->knownEnemies.clear();
    std::srand(7);
    step(2.5);
    EXPECT_EQ(npc->thinkTimer, 0.0);
    step(0.5);
    EXPECT_NEAR(npc->thinkTimer, 0.5, 1e-3);
}

TEST_F(NPCTest, WithoutKnownEnemiesNobodyAttacksWhateverTheDice)
{
    step(0.1);
    npc->knownEnemies.clear();
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::srand(seed);
        home->setUnitCount(150); // not full: no founding either
        npc->thinkTimer = 0.99;
        step(0.02);
        EXPECT_GE(home->units, 150) << "seed " << seed; // production may add one; an attack would halve it
    }
}

TEST_F(NPCTest, TargetNeedsAScoreAboveEightHundred)
{
    step(0.1);
    // The poles are 400 units apart: a strong attacker against a weak
    // garrison scores 2 * (2 * 100 + 250 - 10 + 200) - 400 = 880.
    home->setUnitCount(200);
    enemy->setUnitCount(10);
    npc->knownEnemies = {enemy};
    EXPECT_EQ(npc->chooseTarget(home), enemy);
    enemy->setUnitCount(200); // 2 * (450 - 200 + 200) - 400 = 500
    EXPECT_EQ(npc->chooseTarget(home), nullptr);
}

TEST_F(NPCTest, FoundsOnItsLeastContestedFreeTileAndNeverTwiceOnOne)
{
    step(0.1);
    ASSERT_EQ(npc->ownBuildings.size(), 1u); // one building: founding always goes on
    std::srand(3);
    npc->thinkTimer = 1.0;
    npc->update(0.0);
    ASSERT_EQ(npc->pendingBuildTiles.size(), 1u);
    EXPECT_EQ(home->units, 40);
    const Tile& chosen = game->getPlanet()->tiles[npc->pendingBuildTiles.front()];
    EXPECT_EQ(chosen.owner, computerPlayer);
    EXPECT_NE(chosen.type, 0u);
    EXPECT_EQ(chosen.building, nullptr);
    home->setUnitCount(200);
    npc->thinkTimer = 1.0;
    npc->update(0.0);
    ASSERT_EQ(npc->pendingBuildTiles.size(), 2u);
    EXPECT_NE(npc->pendingBuildTiles[0], npc->pendingBuildTiles[1]);
}

} // namespace
} // namespace BV
