// Swarms on a real game: flight, arrivals, duels, capture, founding, removal,
// determinism and the instanced draw.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "game/AttackingSwarm.h"
#include "game/GameFixture.h"
#include "game/NPC.h"
#include "scene/Scene.h"
#include "scene/SceneNode.h"

namespace BV {
namespace {

// Beside the human's start tower, towards +y, on the side the camera sees.
const glm::vec3 kNearHome(0.0f, 87.0f, 180.0f);

class SwarmTest : public testkit::GameFixture {
protected:
    void SetUp() override
    {
        GameFixture::SetUp();
        // The opponent's dice draw from rand() too; it must not think here.
        NPC::getInstance()->thinkTimer = -1.0e9;
        step(0.01); // the start towers finish and claim their land
        home = towerOf(humanPlayer);
    }

    // A finished tower on the tile nearest `point` with a fixed garrison that
    // no longer grows, so fights alone change it.
    Tower* standingTower(Player* owner, const glm::vec3& point, std::uint32_t terrain, std::uint16_t units)
    {
        Tile& tile = planet->tiles[planet->getTileIndexAt(point)];
        tile.type = terrain;
        Tower* tower = game->createTower(&tile, owner, false);
        tower->update(1.0);
        tower->productionInterval = 1.0e9f;
        tower->setUnitCount(units);
        return tower;
    }

    Swarm* swarm(std::size_t index = 0) const
    {
        const auto& entities = game->getEntities();
        return index < entities.size() ? dynamic_cast<Swarm*>(entities[index]) : nullptr;
    }

    // Frames of 0.1 s until no entity is left; false if that never happens.
    bool flyUntilGone(int maxFrames = 300)
    {
        for (int i = 0; i < maxFrames && !game->getEntities().empty(); ++i) {
            step(0.1);
        }
        return game->getEntities().empty();
    }

    Tower* home = nullptr;
};

TEST_F(SwarmTest, AttackFliesOverThePlanetAndEachArrivingUnitWearsDownTheGarrison)
{
    Tower* enemy = standingTower(computerPlayer, kNearHome, 1, 150);
    step(0.01); // the scene boxes the new tower
    std::srand(11);
    home->attack(enemy, game);
    Swarm* flight = swarm();
    ASSERT_NE(flight, nullptr);
    EXPECT_EQ(home->units, 100);
    EXPECT_EQ(flight->getUnitCount(), 99);
    EXPECT_EQ(flight->instanceCount, 49u);
    EXPECT_EQ(flight->getTarget(), Swarm::centreOf(enemy));

    const float launchAltitude = glm::length(flight->getStart());
    float distance = glm::distance(flight->getCentre(), flight->getTarget());
    std::uint16_t garrison = enemy->units;
    int frames = 0;
    while (!flight->isFinished() && frames++ < 100) {
        const glm::vec3 before = flight->getCentre();
        step(0.1);
        const float now = glm::distance(flight->getCentre(), flight->getTarget());
        EXPECT_LT(now, distance);
        if (now > 20.0f) {
            // Up to 5.3 world units a frame (a little less along the curve),
            // at the launch altitude.
            const float moved = glm::distance(before, flight->getCentre());
            EXPECT_GT(moved, 0.9f * flight->getSpeed() * 0.1f);
            EXPECT_LT(moved, flight->getSpeed() * 0.1f + 1e-3f);
            EXPECT_NEAR(glm::length(flight->getCentre()), launchAltitude, 1e-2f);
            EXPECT_EQ(flight->node->position, flight->getCentre());
        }
        EXPECT_LE(enemy->units, garrison);
        distance = now;
        garrison = enemy->units;
    }
    ASSERT_TRUE(flight->isFinished());
    EXPECT_GT(frames, 15); // about 110 world units at 53 a second
    // 99 even fights against 150 cost the garrison units without taking it.
    EXPECT_LT(enemy->units, 150);
    EXPECT_GT(enemy->units, 0);
    EXPECT_EQ(enemy->owner, computerPlayer);
    step(0.1);
    EXPECT_TRUE(game->getEntities().empty());
    EXPECT_EQ(game->getScene()->getSceneNode(enemy->node->getName()), enemy->node);
}

TEST_F(SwarmTest, BeatenGarrisonChangesSidesAndLaterUnitsFightNothing)
{
    Tower* enemy = standingTower(computerPlayer, kNearHome, 1, 3);
    std::srand(5);
    home->attack(enemy, game);
    Swarm* flight = swarm();
    ASSERT_NE(flight, nullptr);
    std::uint16_t garrisonAtCapture = 0;
    for (int i = 0; i < 200 && !flight->isFinished(); ++i) {
        step(0.1);
        if (enemy->owner == humanPlayer && garrisonAtCapture == 0) {
            garrisonAtCapture = enemy->units;
        }
    }
    ASSERT_TRUE(flight->isFinished());
    EXPECT_EQ(enemy->owner, humanPlayer);
    EXPECT_GE(garrisonAtCapture, 1);
    EXPECT_EQ(enemy->units, garrisonAtCapture);
    EXPECT_EQ(std::count(humanPlayer->buildings.begin(), humanPlayer->buildings.end(), enemy), 1);
    EXPECT_EQ(std::count(computerPlayer->buildings.begin(), computerPlayer->buildings.end(), enemy), 0);
    EXPECT_EQ(planet->tiles[enemy->tile.index].owner, humanPlayer);
}

// Duel by duel: x = rand() mod odds, y = rand() mod 100, the attacker wins
// when y < x and fights on. Desert attacking rock has odds 50, rock
// attacking desert 150.
TEST_F(SwarmTest, DuelsUseTheAttackersTerrainAgainstTheDefenders)
{
    Tower* enemy = standingTower(computerPlayer, kNearHome, 1, 200);
    const std::uint32_t cases[2][3] = {{3, 1, 50}, {1, 3, 150}}; // attacker, defender, odds
    int losses[2] = {0, 0};
    for (int i = 0; i < 2; ++i) {
        home->tileType = cases[i][0];
        enemy->tileType = cases[i][1];
        enemy->setUnitCount(200);
        int attackers = 60;
        int garrison = 200;
        std::srand(2024);
        while (attackers > 0 && garrison > 0) {
            const int x = std::rand() % static_cast<int>(cases[i][2]);
            (std::rand() % 100 < x ? garrison : attackers) -= 1;
        }
        // Without a game: fought by hand, removed by nobody.
        auto fight = std::make_unique<AttackingSwarm>(60, home, enemy, nullptr);
        std::srand(2024);
        fight->onArrived();
        EXPECT_TRUE(fight->isFinished());
        EXPECT_EQ(enemy->units, garrison) << "case " << i;
        losses[i] = 200 - enemy->units;
        fight->onArrived(); // arrives once only
        EXPECT_EQ(enemy->units, garrison);
    }
    EXPECT_GT(losses[1], 2 * losses[0]);
    EXPECT_EQ(enemy->owner, computerPlayer);
}

TEST_F(SwarmTest, EmptySwarmsAndAttacksOnOwnTowersFightNothingAndAreRemoved)
{
    Tower* enemy = standingTower(computerPlayer, kNearHome, 1, 50);
    Tower* friendly = standingTower(humanPlayer, glm::vec3(0.0f, -110.0f, 165.0f), 1, 30);
    home->attack(enemy, nullptr); // no game: no swarm, but the units still leave
    EXPECT_EQ(home->units, 100);
    EXPECT_TRUE(game->getEntities().empty());

    home->setUnitCount(1);
    home->attack(enemy, game);
    EXPECT_EQ(home->units, 1);
    Swarm* empty = swarm();
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->getUnitCount(), 0);
    EXPECT_EQ(empty->instanceCount, 0u);
    home->setUnitCount(120);
    home->attack(friendly, game);
    Swarm* own = swarm(1);
    ASSERT_NE(own, nullptr);
    step(0.1);
    EXPECT_TRUE(empty->isFinished()); // on its first update
    EXPECT_EQ(enemy->units, 50);
    EXPECT_EQ(game->getEntities().size(), 2u); // removed only in the next frame
    step(0.1);
    EXPECT_EQ(game->getEntities(), std::vector<Entity*>{own});
    ASSERT_TRUE(flyUntilGone());
    EXPECT_EQ(friendly->units, 30);
    EXPECT_EQ(friendly->owner, humanPlayer);
}

// A founding party raises a rising tower on an empty tile of its own land;
// one reaching a tile built on meanwhile leaves nothing.
TEST_F(SwarmTest, BuildingSwarmFoundsATowerOnlyOnAnEmptyOwnTile)
{
    Tile* site = emptyOwnTile(false, 30.0f, 100.0f);
    ASSERT_NE(site, nullptr);
    home->setUnitCount(200);
    home->build(site, game);
    ASSERT_NE(swarm(), nullptr);
    EXPECT_EQ(swarm()->getUnitCount(), 160);
    EXPECT_FLOAT_EQ(swarm()->getSpeed(), 80.0f / 3.0f); // half an attack's
    for (int i = 0; i < 200 && !site->building; ++i) {
        step(0.1);
    }
    const auto* founded = dynamic_cast<Tower*>(site->building);
    ASSERT_NE(founded, nullptr);
    EXPECT_EQ(game->getBuildings().back(), founded);
    EXPECT_EQ(founded->owner, humanPlayer);
    EXPECT_EQ(founded->units, 20);
    EXPECT_TRUE(founded->isUnderConstruction());
    ASSERT_TRUE(flyUntilGone());

    // Taken by the opponent, whose claims may spread but never make a tile
    // the human's.
    Tile* taken = emptyOwnTile(false, 30.0f, 100.0f);
    ASSERT_NE(taken, nullptr);
    home->setUnitCount(200);
    home->build(taken, game);
    Tower* first = game->createTower(taken, computerPlayer, false);
    const std::size_t towers = game->getBuildings().size();
    ASSERT_TRUE(flyUntilGone());
    EXPECT_EQ(game->getBuildings().size(), towers);
    EXPECT_EQ(taken->building, first);
}

TEST_F(SwarmTest, SameSeedGivesTheSameFlightAndFightTwice)
{
    // An FNV-1a hash of everything a flight decides, step by step; driven
    // with exact steps rather than frames, whose dt carries the microseconds
    // between setting the clock and reading it.
    auto play = [this]() {
        std::uint64_t hash = 14695981039346656037ull;
        auto mix = [&hash](const void* data, std::size_t size) {
            for (std::size_t i = 0; i < size; ++i) {
                hash = (hash ^ static_cast<const unsigned char*>(data)[i]) * 1099511628211ull;
            }
        };
        Tower* enemy = standingTower(computerPlayer, kNearHome, 2, 60);
        std::srand(77);
        auto* flight = new AttackingSwarm(99, home, enemy, game);
        game->addEntity(flight, flight->getStart()); // the game deletes it
        for (int i = 0; i < 400 && !flight->isFinished(); ++i) {
            flight->update(0.05);
            const glm::vec3 centre = flight->getCentre();
            const std::uint16_t units[2] = {flight->getUnitCount(), enemy->units};
            mix(&centre, sizeof(centre));
            mix(units, sizeof(units));
            mix(&enemy->owner->id, sizeof(enemy->owner->id));
            for (const Swarm::Particle& particle : flight->getParticles()) {
                mix(&particle.position, sizeof(particle.position));
            }
        }
        EXPECT_TRUE(flight->isFinished());
        return hash;
    };
    const std::uint64_t first = play();
    TearDown();
    SetUp();
    EXPECT_EQ(play(), first);
}

TEST_F(SwarmTest, SwarmsDrawOneInstancedBatchOfDotsInTheirOwnersColour)
{
    Tower* enemy = standingTower(computerPlayer, kNearHome, 1, 190);
    step(0.01);
    std::srand(9);
    home->attack(enemy, game);
    enemy->attack(home, game);
    Swarm* red = swarm(0);
    Swarm* blue = swarm(1);
    ASSERT_NE(blue, nullptr);
    for (int i = 0; i < 6; ++i) {
        step(0.1);
    }
    ASSERT_FALSE(red->isFinished() || blue->isFinished());
    ASSERT_TRUE(red->visible && blue->visible); // over the human player's land

    // The same scene drawn with and without the swarms; nothing moves between.
    std::vector<unsigned char> frames[2];
    std::uint32_t triangles[2] = {0, 0};
    for (int without = 0; without < 2; ++without) {
        red->visible = blue->visible = without == 0;
        Statistics::getInstance()->renderedTriangles = 0;
        game->getScene()->update();
        game->getScene()->render();
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        triangles[without] = Statistics::getInstance()->renderedTriangles;
        frames[without] = testkit::readPixels(0, 0, 800, 600);
    }
    testkit::savePng("swarms.png", 800, 600, frames[0]);
    EXPECT_EQ(triangles[0] - triangles[1], 2 * (red->instanceCount + blue->instanceCount));
    int reddened = 0;
    int blued = 0;
    for (std::size_t i = 0; i + 3 < frames[0].size(); i += 4) {
        const int dr = frames[0][i] - frames[1][i];
        const int db = frames[0][i + 2] - frames[1][i + 2];
        reddened += dr > 40 && dr > db;
        blued += db > 40 && db > dr;
    }
    EXPECT_GT(reddened, 100);
    EXPECT_GT(blued, 100);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
} // namespace BV
