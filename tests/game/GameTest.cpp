// The game's rules on a real game object: start towers, production,
// construction, attack and build arithmetic, capture, end of game, Escape.
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "game/GameFixture.h"
#include "game/NPC.h"
#include "game/Planet.h"
#include "game/Player.h"
#include "game/Territory.h"
#include "game/Tower.h"
#include "scene/SceneNode.h"

namespace BV {
namespace {

using testkit::GameFixture;

Tower* towerOf(Player* player, std::size_t index = 0)
{
    return dynamic_cast<Tower*>(player->buildings.at(index));
}

bool owns(Player* player, std::uint32_t tile)
{
    const auto& owned = player->territory->ownedTiles;
    return std::find(owned.begin(), owned.end(), tile) != owned.end();
}

// An empty tile of the human's territory where a tower may be founded.
Tile* freeOwnTile(Planet* planet)
{
    for (std::uint32_t index : humanPlayer->territory->ownedTiles) {
        Tile& tile = planet->tiles[index];
        if (!tile.building && tile.type != 0) {
            return &tile;
        }
    }
    return nullptr;
}

class GameTest : public GameFixture {};

TEST_F(GameTest, StartTowersStandOnOppositePolesAndFillAfterOneTenthOfASecond)
{
    Planet* planet = game->getPlanet();
    ASSERT_EQ(humanPlayer->buildings.size(), 1u);
    ASSERT_EQ(computerPlayer->buildings.size(), 1u);
    Tower* human = towerOf(humanPlayer);
    Tower* computer = towerOf(computerPlayer);
    EXPECT_EQ(human->tile.index, planet->getTileIndexAt(glm::vec3(0, 0, 200)));
    EXPECT_EQ(computer->tile.index, planet->getTileIndexAt(glm::vec3(0, 0, -200)));
    EXPECT_EQ(planet->tiles[human->tile.index].type, 1u);
    EXPECT_EQ(planet->tiles[computer->tile.index].type, 1u);
    EXPECT_EQ(planet->tiles[human->tile.index].building, human);
    EXPECT_EQ(human->units, 199);
    EXPECT_TRUE(human->visible);
    EXPECT_FALSE(computer->visible); // across the planet, in the fog

    step(0.05);
    EXPECT_FALSE(human->isUnderConstruction());
    EXPECT_EQ(human->units, 199);
    EXPECT_TRUE(owns(humanPlayer, human->tile.index));
    step(0.05);
    EXPECT_EQ(human->units, 200);
    EXPECT_TRUE(human->isFull());
    // The computer is told when its own tower fills up.
    EXPECT_EQ(NPC::getInstance()->fullBuildings, std::vector<MilitaryBuilding*>{computer});
    for (int i = 0; i < 5; ++i) {
        step(0.1);
    }
    EXPECT_EQ(human->units, 200);
}

TEST_F(GameTest, FoundedTowerRisesForASecondWithoutProducingThenClaimsItsTerritory)
{
    Planet* planet = game->getPlanet();
    step(0.1);
    Tile* site = freeOwnTile(planet);
    ASSERT_NE(site, nullptr);
    Tower* tower = game->createTower(site, humanPlayer, false);
    EXPECT_EQ(tower->units, 20);
    EXPECT_TRUE(tower->isUnderConstruction());
    const std::size_t ownedBefore = humanPlayer->territory->ownedTiles.size();

    const float sunk = glm::dot(tower->node->position - site->position, site->normal);
    EXPECT_LT(sunk, -0.5f * tower->getHeight()); // starts in the ground
    for (int i = 0; i < 9; ++i) {
        step(0.1);
    }
    EXPECT_TRUE(tower->isUnderConstruction());
    EXPECT_EQ(tower->units, 20);
    const float risen = glm::dot(tower->node->position - site->position, site->normal);
    EXPECT_GT(risen, sunk);

    step(0.15); // past the second: finished, and the first unit is made in the same update
    EXPECT_FALSE(tower->isUnderConstruction());
    EXPECT_EQ(tower->units, 21);
    EXPECT_NEAR(glm::distance(tower->node->position, site->position), 0.0f, 1e-4f);
    EXPECT_GE(humanPlayer->territory->ownedTiles.size(), ownedBefore);
    for (std::uint32_t neighbour : [&] {
             std::vector<std::uint32_t> n;
             site->getNeighbours(n);
             return n;
         }()) {
        EXPECT_EQ(planet->tiles[neighbour].owner, humanPlayer);
    }
    step(0.1);
    EXPECT_EQ(tower->units, 22);
}

TEST_F(GameTest, AttackSendsHalfRoundedDownAndBuildLeavesForty)
{
    Tower* human = towerOf(humanPlayer);
    Tower* computer = towerOf(computerPlayer);
    human->attack(computer, game);
    EXPECT_EQ(human->units, 100); // 199 - 99
    human->setUnitCount(1);
    human->attack(computer, game);
    EXPECT_EQ(human->units, 1);

    human->setUnitCount(200);
    human->build(freeOwnTile(game->getPlanet()), game);
    EXPECT_EQ(human->units, 40);
    human->setUnitCount(500); // clamped
    EXPECT_EQ(human->units, 200);
}

TEST_F(GameTest, CapturedTowerChangesSidesAndClaimsForItsNewOwner)
{
    step(0.1);
    Tower* computer = towerOf(computerPlayer);
    const std::uint32_t site = computer->tile.index;
    ASSERT_EQ(game->getPlanet()->tiles[site].owner, computerPlayer);
    computer->changeOwner(humanPlayer);
    EXPECT_EQ(computer->owner, humanPlayer);
    EXPECT_TRUE(computerPlayer->buildings.empty());
    EXPECT_EQ(humanPlayer->buildings.back(), computer);
    EXPECT_EQ(game->getPlanet()->tiles[site].owner, humanPlayer);
    EXPECT_TRUE(owns(humanPlayer, site));
    // The computer now counts it as an enemy it knows.
    const auto& known = NPC::getInstance()->knownEnemies;
    EXPECT_NE(std::find(known.begin(), known.end(), computer), known.end());
}

TEST_F(GameTest, GameIsWonWhenTheComputerOwnsNothingAndBothEndingsCanCoincide)
{
    step(0.1);
    computerPlayer->buildings.clear();
    step(0.1);
    EXPECT_TRUE(game->isWon());
    EXPECT_FALSE(game->isLost());
    EXPECT_TRUE(Statistics::getInstance()->gameEnded);
    // Nothing moves any more once the game has ended.
    towerOf(humanPlayer)->setUnitCount(10);
    step(0.5);
    EXPECT_EQ(towerOf(humanPlayer)->units, 10);
}

TEST_F(GameTest, LosingAndWinningInOneFrameSetsBoth)
{
    step(0.1);
    humanPlayer->buildings.clear();
    computerPlayer->buildings.clear();
    step(0.1);
    EXPECT_TRUE(game->isLost());
    EXPECT_TRUE(game->isWon());
}

TEST_F(GameTest, ReleasingEscapeClosesTheWindow)
{
    GLFWwindow* handle = Window::getInstance()->getHandle();
    GLFWkeyfun callback = glfwSetKeyCallback(handle, nullptr);
    glfwSetKeyCallback(handle, callback);
    callback(handle, GLFW_KEY_ESCAPE, 9, GLFW_PRESS, 0);
    callback(handle, GLFW_KEY_ESCAPE, 9, GLFW_REPEAT, 0);
    EXPECT_FALSE(glfwWindowShouldClose(handle));
    callback(handle, GLFW_KEY_ESCAPE, 9, GLFW_RELEASE, 0);
    EXPECT_TRUE(glfwWindowShouldClose(handle));
    glfwSetWindowShouldClose(handle, GLFW_FALSE);
}

TEST_F(GameTest, PointingPastThePlanetHoversNothing)
{
    glfwSetCursorPos(Window::getInstance()->getHandle(), 2.0, 2.0); // a corner: only sky
    step(0.1);
    EXPECT_EQ(game->getPlanet()->hoveredTile, -1);
}

class PlanetSizeTest : public GameFixture {
protected:
    int planetSize() const override { return size; }
    static inline int size = 4;
};

TEST_F(PlanetSizeTest, TowersAreScaledByTheSquareOfFourOverThePlanetSize)
{
    EXPECT_FLOAT_EQ(towerOf(humanPlayer)->node->scale.x, 1.0f);
    TearDown();
    size = 2;
    SetUp();
    EXPECT_FLOAT_EQ(towerOf(humanPlayer)->node->scale.x, 4.0f);
    size = 4;
}

} // namespace
} // namespace BV
