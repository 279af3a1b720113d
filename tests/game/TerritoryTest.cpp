#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
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
        humanPlayer = new Player(1, glm::vec3(1, 0, 0), planet.get());
        computerPlayer = new Player(2, glm::vec3(0, 0, 1), planet.get());
        human = humanPlayer;
        computer = computerPlayer;
    }

    void TearDown() override
    {
        delete humanPlayer;
        delete computerPlayer;
        humanPlayer = nullptr;
        computerPlayer = nullptr;
        delete NPC::getInstance();
    }

    // Steps from `from` to every tile of the planet.
    std::vector<int> distancesFrom(std::uint32_t from) const
    {
        std::vector<int> distance(planet->tiles.size(), -1);
        std::deque<std::uint32_t> queue{from};
        distance[from] = 0;
        std::vector<std::uint32_t> neighbours;
        while (!queue.empty()) {
            const std::uint32_t tile = queue.front();
            queue.pop_front();
            planet->tiles[tile].getNeighbours(neighbours);
            for (std::uint32_t next : neighbours) {
                if (distance[next] < 0) {
                    distance[next] = distance[tile] + 1;
                    queue.push_back(next);
                }
            }
        }
        return distance;
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
            const auto& owned = player->territory->ownedTiles;
            const auto& seen = player->territory->visibleTiles;
            EXPECT_EQ(std::set<std::uint32_t>(owned.begin(), owned.end()).size(), owned.size());
            EXPECT_EQ(std::set<std::uint32_t>(seen.begin(), seen.end()).size(), seen.size());
            for (std::uint32_t tile : owned) {
                EXPECT_EQ(planet->tiles[tile].owner, player) << "tile " << tile;
            }
        }
        for (const Tile& tile : planet->tiles) {
            if (tile.owner) {
                const auto& owned = tile.owner->territory->ownedTiles;
                EXPECT_NE(std::find(owned.begin(), owned.end(), tile.index), owned.end()) << "tile " << tile.index;
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
// and keep strength 1.
TEST_F(TerritoryTest, ClaimTakesTwoRingsAndRevealsTheTwoBeyond)
{
    const std::uint32_t home = 100;
    MilitaryBuilding tower(&planet->tiles[home], human);
    EXPECT_EQ(planet->tiles[home].building, &tower);
    tower.onConstructed();

    const std::vector<int> distance = distancesFrom(home);
    for (const Tile& tile : planet->tiles) {
        const int d = distance[tile.index];
        const auto influence = tile.influence.find(&tower);
        if (d <= 2) {
            EXPECT_EQ(tile.owner, human) << "tile " << tile.index;
            ASSERT_NE(influence, tile.influence.end());
            EXPECT_GE(influence->second, 1u);
            EXPECT_LE(influence->second, static_cast<std::uint32_t>(3 - d));
            EXPECT_EQ(planet->visibilityValues[tile.index], 1.0f);
            EXPECT_EQ(planet->ownerValues[tile.index], 1.0f);
        } else {
            EXPECT_EQ(tile.owner, nullptr) << "tile " << tile.index;
            EXPECT_EQ(influence, tile.influence.end());
            EXPECT_EQ(planet->visibilityValues[tile.index], d <= 4 ? 0.8f : 0.2f) << "tile " << tile.index;
            EXPECT_EQ(planet->ownerValues[tile.index], 0.0f);
        }
    }
    EXPECT_EQ(planet->tiles[home].influence.at(&tower), 3u);
    EXPECT_EQ(planet->tiles[neighbourOf(home, 0)].influence.at(&tower), 2u);
    EXPECT_EQ(planet->tiles[neighbourOf(home, 1)].influence.at(&tower), 1u);
    EXPECT_EQ(human->territory->ownedTiles.front(), home);
    EXPECT_EQ(human->territory->ownedTiles.size(),
              static_cast<std::size_t>(std::count_if(distance.begin(), distance.end(), [](int d) { return d <= 2; })));

    std::set<std::uint32_t> seen(human->territory->visibleTiles.begin(), human->territory->visibleTiles.end());
    std::set<std::uint32_t> rings34;
    for (const Tile& tile : planet->tiles) {
        if (distance[tile.index] == 3 || distance[tile.index] == 4) {
            rings34.insert(tile.index);
        }
    }
    EXPECT_EQ(seen, rings34);
    expectConsistent();
}

TEST_F(TerritoryTest, ComputerClaimsWriteOwnerValuesButNoVisibility)
{
    const std::uint32_t home = 200;
    MilitaryBuilding tower(&planet->tiles[home], computer);
    tower.onConstructed();
    EXPECT_EQ(planet->ownerValues[home], 2.0f);
    EXPECT_EQ(planet->visibilityValues, std::vector<float>(planet->tiles.size(), 0.2f));
    EXPECT_FALSE(computer->territory->visibleTiles.empty());
    expectConsistent();
}

// An enemy building's influence of equal strength keeps a tile; a stronger
// claim takes it, and the tile leaves the enemy's list without disturbing
// the order of the rest.
TEST_F(TerritoryTest, EqualEnemyInfluenceBlocksAndGreaterStrengthTakes)
{
    const std::uint32_t target = 150;
    const std::uint32_t enemySite = neighbourOf(target, 0);
    // Far enough away that the claims below do not reach the building's own
    // tile, which a building always takes.
    const std::vector<int> distance = distancesFrom(target);
    const std::uint32_t ownSite =
        static_cast<std::uint32_t>(std::find(distance.begin(), distance.end(), 4) - distance.begin());
    MilitaryBuilding enemy(&planet->tiles[enemySite], computer);
    MilitaryBuilding own(&planet->tiles[ownSite], human);
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
    expectConsistent();

    human->territory->claim(target, 3, &own);
    EXPECT_EQ(planet->tiles[target].owner, human);
    EXPECT_EQ(planet->tiles[target].influence.at(&own), 3u);
    EXPECT_EQ(planet->tiles[target].influence.at(&enemy), 2u);
    EXPECT_EQ(planet->visibilityValues[target], 1.0f);
    EXPECT_EQ(planet->ownerValues[target], 1.0f);
    std::vector<std::uint32_t> remaining;
    for (std::uint32_t tile : enemyTiles) {
        if (planet->tiles[tile].owner == computer) {
            remaining.push_back(tile);
        }
    }
    EXPECT_EQ(computer->territory->ownedTiles, remaining);
    EXPECT_LT(remaining.size(), enemyTiles.size());
    expectConsistent();
}

// A building's own tile is taken whatever the enemy's influence on it.
TEST_F(TerritoryTest, BuildingAlwaysTakesItsOwnTile)
{
    const std::uint32_t site = 120;
    MilitaryBuilding enemy(&planet->tiles[neighbourOf(site, 0)], computer);
    computer->territory->claim(site, 3, &enemy);
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
    std::uint32_t lookout = 0;
    const std::vector<int> distance = distancesFrom(lost);
    while (distance[lookout] != 2) {
        ++lookout;
    }
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
    const std::vector<int> distance = distancesFrom(humanHome);
    const std::uint32_t computerHome =
        static_cast<std::uint32_t>(std::find(distance.begin(), distance.end(), 4) - distance.begin());
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

// Many overlapping claims by both sides keep owners and lists in step.
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
            if (t.owner == human) {
                ASSERT_EQ(planet->visibilityValues[t.index], 1.0f);
            }
        }
    }
    expectConsistent();
    for (std::uint32_t tile : human->territory->visibleTiles) {
        EXPECT_NE(planet->visibilityValues[tile], 0.2f);
    }
}
