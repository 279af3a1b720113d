#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "game/Dice.h"
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
        Dice::seed(7);
        planet = std::make_unique<Planet>(3, 200.0f);
        humanPlayer = new Player(1, glm::vec3(1, 0, 0), planet.get());
        computerPlayer = new Player(2, glm::vec3(0, 0, 1), planet.get());
    }

    void TearDown() override
    {
        delete humanPlayer, delete computerPlayer;
        humanPlayer = computerPlayer = nullptr;
        delete NPC::getInstance();
    }

    // Steps from `from` to every tile of the planet.
    std::vector<int> distancesFrom(std::uint32_t from) const
    {
        std::vector<int> distance(planet->tiles.size(), -1);
        distance[from] = 0;
        std::vector<std::uint32_t> queue{from}, neighbours;
        for (std::size_t i = 0; i < queue.size(); ++i) {
            planet->tiles[queue[i]].getNeighbours(neighbours);
            for (std::uint32_t next : neighbours) {
                if (distance[next] < 0) {
                    distance[next] = distance[queue[i]] + 1;
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
        return neighbours.at(which);
    }

    void expectConsistent() const
    {
        for (const Player* player : {humanPlayer, computerPlayer}) {
            const Territory& territory = *player->territory;
            for (const Tile& tile : planet->tiles) {
                auto listed = [&tile](const std::vector<std::uint32_t>& list) {
                    return std::count(list.begin(), list.end(), tile.index);
                };
                EXPECT_EQ(listed(territory.ownedTiles), tile.owner == player ? 1 : 0) << "tile " << tile.index;
                EXPECT_EQ(listed(territory.visibleTiles), territory.hasSeen(tile.index) ? 1 : 0)
                    << "tile " << tile.index;
            }
        }
    }

    std::unique_ptr<Planet> planet;
};

} // namespace

// The claim spreads depth-first: only the first neighbour gets strength 2.
TEST_F(TerritoryTest, ClaimTakesTwoRingsAndRevealsTheTwoBeyond)
{
    const std::uint32_t home = 100;
    MilitaryBuilding tower(&planet->tiles[home], humanPlayer);
    tower.onConstructed();
    const std::vector<int> distance = distancesFrom(home);
    for (const Tile& tile : planet->tiles) {
        SCOPED_TRACE(tile.index);
        const int d = distance[tile.index];
        EXPECT_EQ(tile.owner, d <= 2 ? humanPlayer : nullptr);
        EXPECT_EQ(tile.influence.count(&tower), d <= 2 ? 1u : 0u);
        EXPECT_EQ(planet->visibilityValues[tile.index], d <= 2 ? 1.0f : d <= 4 ? 0.8f : 0.2f);
        EXPECT_EQ(planet->ownerValues[tile.index], d <= 2 ? 1.0f : 0.0f);
    }
    EXPECT_EQ(planet->tiles[home].influence.at(&tower), 3u);
    EXPECT_EQ(planet->tiles[neighbourOf(home, 0)].influence.at(&tower), 2u);
    EXPECT_EQ(planet->tiles[neighbourOf(home, 1)].influence.at(&tower), 1u);
    expectConsistent();
}

TEST_F(TerritoryTest, EqualEnemyInfluenceBlocksAndGreaterStrengthTakes)
{
    const std::uint32_t target = 150;
    // Out of the claims' reach: a building always takes its own tile.
    MilitaryBuilding enemy(&planet->tiles[neighbourOf(target, 0)], computerPlayer);
    MilitaryBuilding own(&planet->tiles[firstAtDistance(target, 4)], humanPlayer);
    computerPlayer->territory->claim(target, 2, &enemy);
    ASSERT_EQ(planet->tiles[target].influence.at(&enemy), 2u);
    const std::vector<std::uint32_t> enemyTiles = computerPlayer->territory->ownedTiles;

    humanPlayer->territory->claim(target, 2, &own);
    EXPECT_EQ(planet->tiles[target].owner, computerPlayer);
    EXPECT_TRUE(humanPlayer->territory->ownedTiles.empty());
    EXPECT_EQ(computerPlayer->territory->ownedTiles, enemyTiles);
    EXPECT_EQ(planet->visibilityValues[target], 0.2f);
    EXPECT_EQ(planet->ownerValues[target], 2.0f);

    humanPlayer->territory->claim(target, 3, &own);
    EXPECT_EQ(planet->tiles[target].owner, humanPlayer);
    EXPECT_EQ(planet->tiles[target].influence.at(&enemy), 2u);
    EXPECT_EQ(planet->visibilityValues[target], 1.0f);
    EXPECT_EQ(planet->ownerValues[target], 1.0f);
    EXPECT_LT(computerPlayer->territory->ownedTiles.size(), enemyTiles.size());
    expectConsistent();
}

// Each tile is reported once.
TEST_F(TerritoryTest, SeeingABuildingRevealsItToTheOtherSide)
{
    const std::uint32_t humanHome = 30;
    const std::uint32_t computerHome = firstAtDistance(humanHome, 4);
    MilitaryBuilding humanTower(&planet->tiles[humanHome], humanPlayer);
    MilitaryBuilding computerTower(&planet->tiles[computerHome], computerPlayer);
    computerTower.onConstructed();
    EXPECT_FALSE(computerTower.visible);
    humanTower.onConstructed();
    EXPECT_TRUE(computerTower.visible);
    computerPlayer->territory->claim(computerHome, 3, &computerTower);
    EXPECT_EQ(NPC::getInstance()->knownEnemies, std::vector<MilitaryBuilding*>{&humanTower});
    expectConsistent();
}
