#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <iterator>
#include <memory>
#include <set>
#include <vector>

#include "game/MilitaryBuilding.h"
#include "game/NPC.h"
#include "game/Planet.h"
#include "game/Player.h"
#include "game/Territory.h"

using namespace BV;

namespace {

class TerritoryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        srand(7);
        planet = std::make_unique<Planet>(3, 200.0f);
        human = humanPlayer = new Player(1, glm::vec3(1, 0, 0), planet.get());
        computer = computerPlayer = new Player(2, glm::vec3(0, 0, 1), planet.get());
    }

    void TearDown() override
    {
        delete humanPlayer;
        delete computerPlayer;
        humanPlayer = computerPlayer = nullptr;
        delete NPC::getInstance();
    }

    // Steps from `from` to every tile of the planet.
    std::vector<int> distancesFrom(std::uint32_t from) const
    {
        std::vector<int> distance(planet->tiles.size(), -1);
        std::deque<std::uint32_t> queue{from};
        distance[from] = 0;
        std::vector<std::uint32_t> neighbours;
        for (; !queue.empty(); queue.pop_front()) {
            planet->tiles[queue.front()].getNeighbours(neighbours);
            for (std::uint32_t next : neighbours) {
                if (distance[next] < 0) {
                    distance[next] = distance[queue.front()] + 1;
                    queue.push_back(next);
                }
            }
        }
        return distance;
    }

    std::uint32_t firstAtDistance(std::uint32_t from, int steps) const
    {
        const std::vector<int> distance = distancesFrom(from);
        return static_cast<std::uint32_t>(std::find(distance.begin(), distance.end(), steps) - distance.begin());
    }

    std::uint32_t neighbourOf(std::uint32_t tile, std::size_t which) const
    {
        std::vector<std::uint32_t> neighbours;
        planet->tiles[tile].getNeighbours(neighbours);
        return neighbours[which];
    }

    // A tile is owned by P exactly when P lists it, and no list repeats a tile.
    void expectConsistent() const
    {
        for (const Player* player : {human, computer}) {
            for (const auto* list : {&player->territory->ownedTiles, &player->territory->visibleTiles}) {
                EXPECT_EQ(std::set<std::uint32_t>(list->begin(), list->end()).size(), list->size());
            }
        }
        for (const Tile& tile : planet->tiles) {
            for (const Player* player : {human, computer}) {
                const auto& owned = player->territory->ownedTiles;
                EXPECT_EQ(tile.owner == player, std::count(owned.begin(), owned.end(), tile.index) == 1)
                    << "tile " << tile.index;
            }
        }
    }

    std::unique_ptr<Planet> planet;
    Player* human = nullptr;
    Player* computer = nullptr;
};

} // namespace

// The first neighbour is reached straight from the tower with strength 2;
// the others are reached first through it or each other, one step longer,
// and keep strength 1. The computer's claims write owners but no visibility.
TEST_F(TerritoryTest, ClaimTakesTwoRingsAndRevealsTheTwoBeyond)
{
    const std::uint32_t home = 100;
    MilitaryBuilding tower(&planet->tiles[home], human);
    EXPECT_EQ(planet->tiles[home].building, &tower);
    tower.onConstructed();

    const std::vector<int> distance = distancesFrom(home);
    std::set<std::uint32_t> rings34;
    for (const Tile& tile : planet->tiles) {
        const int d = distance[tile.index];
        EXPECT_EQ(tile.owner, d <= 2 ? human : nullptr) << "tile " << tile.index;
        EXPECT_EQ(tile.influence.count(&tower), d <= 2 ? 1u : 0u) << "tile " << tile.index;
        EXPECT_EQ(planet->visibilityValues[tile.index], d <= 2 ? 1.0f : d <= 4 ? 0.8f : 0.2f) << "tile " << tile.index;
        EXPECT_EQ(planet->ownerValues[tile.index], d <= 2 ? 1.0f : 0.0f);
        if (d == 3 || d == 4) {
            rings34.insert(tile.index);
        }
    }
    EXPECT_EQ(planet->tiles[home].influence.at(&tower), 3u);
    EXPECT_EQ(planet->tiles[neighbourOf(home, 0)].influence.at(&tower), 2u);
    EXPECT_EQ(planet->tiles[neighbourOf(home, 1)].influence.at(&tower), 1u);
    EXPECT_EQ(human->territory->ownedTiles.front(), home);
    EXPECT_EQ(human->territory->ownedTiles.size(),
              static_cast<std::size_t>(std::count_if(distance.begin(), distance.end(), [](int d) { return d <= 2; })));
    const auto& seen = human->territory->visibleTiles;
    EXPECT_EQ(std::set<std::uint32_t>(seen.begin(), seen.end()), rings34);

    const std::uint32_t far = firstAtDistance(home, 8);
    ASSERT_LT(far, planet->tiles.size());
    const std::vector<float> visibility = planet->visibilityValues;
    MilitaryBuilding enemy(&planet->tiles[far], computer);
    enemy.onConstructed();
    EXPECT_EQ(planet->ownerValues[far], 2.0f);
    EXPECT_EQ(planet->visibilityValues, visibility);
    EXPECT_FALSE(computer->territory->visibleTiles.empty());
    expectConsistent();
}

// An enemy building's influence of equal strength keeps a tile; a stronger
// claim takes it, and the tile leaves the enemy's list without disturbing
// the order of the rest.
TEST_F(TerritoryTest, EqualEnemyInfluenceBlocksAndGreaterStrengthTakes)
{
    const std::uint32_t target = 150;
    // Far enough away that the claims below do not reach the building's own
    // tile, which a building always takes.
    MilitaryBuilding enemy(&planet->tiles[neighbourOf(target, 0)], computer);
    MilitaryBuilding own(&planet->tiles[firstAtDistance(target, 4)], human);
    computer->territory->claim(target, 2, &enemy);
    ASSERT_EQ(planet->tiles[target].influence.at(&enemy), 2u);
    const std::vector<std::uint32_t> enemyTiles = computer->territory->ownedTiles;

    human->territory->claim(target, 2, &own);
    EXPECT_EQ(planet->tiles[target].owner, computer);
    EXPECT_TRUE(human->territory->ownedTiles.empty());
    EXPECT_EQ(computer->territory->ownedTiles, enemyTiles);
    EXPECT_EQ(planet->visibilityValues[target], 0.2f);
    EXPECT_EQ(planet->ownerValues[target], 2.0f);
    // A claim that takes nothing still looks past its border.
    EXPECT_FALSE(human->territory->visibleTiles.empty());

    human->territory->claim(target, 3, &own);
    EXPECT_EQ(planet->tiles[target].owner, human);
    EXPECT_EQ(planet->tiles[target].influence.at(&own), 3u);
    EXPECT_EQ(planet->tiles[target].influence.at(&enemy), 2u);
    EXPECT_EQ(planet->visibilityValues[target], 1.0f);
    EXPECT_EQ(planet->ownerValues[target], 1.0f);
    std::vector<std::uint32_t> remaining;
    std::copy_if(enemyTiles.begin(), enemyTiles.end(), std::back_inserter(remaining),
                 [&](std::uint32_t tile) { return planet->tiles[tile].owner == computer; });
    EXPECT_EQ(computer->territory->ownedTiles, remaining);
    EXPECT_LT(remaining.size(), enemyTiles.size());
    expectConsistent();

    // A building's own tile is taken whatever the enemy's influence on it.
    const std::uint32_t site = 120;
    MilitaryBuilding strong(&planet->tiles[neighbourOf(site, 0)], computer);
    computer->territory->claim(site, 3, &strong);
    ASSERT_EQ(planet->tiles[site].owner, computer);
    MilitaryBuilding captured(&planet->tiles[site], human);
    human->territory->claim(site, 1, &captured);
    EXPECT_EQ(planet->tiles[site].owner, human);
    expectConsistent();
}

// The fog of war only moves forward: a lost tile keeps showing as claimed
// until a later claim sees it again.
TEST_F(TerritoryTest, LostTileKeepsItsVisibilityUntilSeenAgain)
{
    const std::uint32_t home = 90;
    MilitaryBuilding tower(&planet->tiles[home], human);
    human->territory->claim(home, 2, &tower);
    const std::uint32_t lost = neighbourOf(home, 2);
    ASSERT_EQ(planet->tiles[lost].influence.at(&tower), 1u);

    MilitaryBuilding enemy(&planet->tiles[neighbourOf(lost, 0)], computer);
    computer->territory->claim(lost, 2, &enemy);
    EXPECT_EQ(planet->tiles[lost].owner, computer);
    EXPECT_EQ(planet->visibilityValues[lost], 1.0f);
    EXPECT_EQ(planet->ownerValues[lost], 2.0f);

    // A claim of radius 1 takes only its centre and sees the ring around it.
    const std::uint32_t lookout = firstAtDistance(lost, 2);
    MilitaryBuilding watcher(&planet->tiles[lookout], human);
    human->territory->claim(lookout, 1, &watcher);
    EXPECT_EQ(planet->visibilityValues[lost], 0.8f);
    const auto& seen = human->territory->visibleTiles;
    EXPECT_NE(std::find(seen.begin(), seen.end(), lost), seen.end());
    expectConsistent();
}

// Seeing a tile with a building shows it to the human player, or tells the
// opponent about it; each tile is reported once.
TEST_F(TerritoryTest, SeeingABuildingRevealsItToTheOtherSide)
{
    const std::uint32_t humanHome = 30;
    const std::uint32_t computerHome = firstAtDistance(humanHome, 4);
    MilitaryBuilding humanTower(&planet->tiles[humanHome], human);
    MilitaryBuilding computerTower(&planet->tiles[computerHome], computer);

    computerTower.onConstructed();
    EXPECT_EQ(NPC::getInstance()->knownEnemies, std::vector<MilitaryBuilding*>{&humanTower});
    EXPECT_FALSE(computerTower.visible);
    EXPECT_EQ(planet->visibilityValues[computerHome], 0.2f);

    humanTower.onConstructed();
    EXPECT_TRUE(computerTower.visible);
    EXPECT_EQ(planet->visibilityValues[computerHome], 0.8f);

    computer->territory->claim(computerHome, 3, &computerTower);
    EXPECT_EQ(NPC::getInstance()->knownEnemies, std::vector<MilitaryBuilding*>{&humanTower});
    expectConsistent();
}

// Many overlapping claims by both sides keep owners, lists and values in step.
TEST_F(TerritoryTest, RandomClaimsKeepOwnersAndListsInStep)
{
    srand(11);
    std::vector<std::unique_ptr<MilitaryBuilding>> buildings;
    for (int i = 0; i < 60; ++i) {
        Player* side = rand() % 2 == 0 ? human : computer;
        const std::uint32_t tile = static_cast<std::uint32_t>(rand()) % planet->tiles.size();
        buildings.push_back(std::make_unique<MilitaryBuilding>(&planet->tiles[tile], side));
        side->territory->claim(tile, 1 + static_cast<std::uint32_t>(rand() % 4), buildings.back().get());
        for (const Tile& t : planet->tiles) {
            ASSERT_TRUE(t.owner != human || planet->visibilityValues[t.index] == 1.0f) << "tile " << t.index;
        }
    }
    expectConsistent();
    for (std::uint32_t tile : human->territory->visibleTiles) {
        EXPECT_NE(planet->visibilityValues[tile], 0.2f);
    }
}
