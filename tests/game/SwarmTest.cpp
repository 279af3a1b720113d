// Swarms on a real game: flight, arrivals, duels, capture, founding, removal,
// determinism and the instanced draw.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "game/AttackingSwarm.h"
#include "game/BuildingSwarm.h"
#include "game/GameFixture.h"
#include "game/NPC.h"
#include "game/Planet.h"
#include "game/Player.h"
#include "game/Territory.h"
#include "game/Tower.h"
#include "resources/Material.h"
#include "resources/ShaderProgram.h"
#include "scene/Scene.h"
#include "scene/SceneNode.h"
#include "scene/Statistics.h"

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
        planet = game->getPlanet();
        home = dynamic_cast<Tower*>(humanPlayer->buildings.front());
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

    Swarm* onlySwarm() const
    {
        const auto& entities = game->getEntities();
        return entities.size() == 1 ? dynamic_cast<Swarm*>(entities.front()) : nullptr;
    }

    // Frames of dt seconds until the swarm has arrived; false if it never does.
    bool flyUntilFinished(const Swarm* swarm, double dt = 0.1, int maxFrames = 200)
    {
        for (int i = 0; i < maxFrames && !swarm->isFinished(); ++i) {
            step(dt);
        }
        return swarm->isFinished();
    }

    Planet* planet = nullptr;
    Tower* home = nullptr;
};

TEST_F(SwarmTest, AttackFliesOverThePlanetAndEachArrivingUnitWearsDownTheGarrison)
{
    Tower* enemy = standingTower(computerPlayer, kNearHome, 1, 150);
    step(0.01); // the scene boxes the new tower
    std::srand(11);
    home->attack(enemy, game);
    Swarm* swarm = onlySwarm();
    ASSERT_NE(swarm, nullptr);
    EXPECT_EQ(home->units, 100);
    EXPECT_EQ(swarm->getUnitCount(), 99);
    EXPECT_EQ(swarm->instanceCount, 49u);
    EXPECT_EQ(swarm->getColour(), humanPlayer->colour);
    EXPECT_FLOAT_EQ(swarm->getSpeed(), 160.0f / 3.0f);
    EXPECT_EQ(swarm->getStart(), Swarm::centreOf(home));
    EXPECT_EQ(swarm->getTarget(), Swarm::centreOf(enemy));
    EXPECT_EQ(swarm->node->position, swarm->getStart());
    EXPECT_EQ(swarm->passType, 8u);

    const float launchAltitude = glm::length(swarm->getStart());
    float distance = glm::distance(swarm->getCentre(), swarm->getTarget());
    std::uint16_t garrison = enemy->units;
    int frames = 0;
    while (!swarm->isFinished() && frames++ < 100) {
        const glm::vec3 before = swarm->getCentre();
        step(0.1);
        const float now = glm::distance(swarm->getCentre(), swarm->getTarget());
        EXPECT_LT(now, distance);
        if (now > 20.0f) {
            // Up to 5.3 world units a frame (a little less along the curve),
            // at the launch altitude.
            const float moved = glm::distance(before, swarm->getCentre());
            EXPECT_GT(moved, 0.9f * swarm->getSpeed() * 0.1f);
            EXPECT_LT(moved, swarm->getSpeed() * 0.1f + 1e-3f);
            EXPECT_NEAR(glm::length(swarm->getCentre()), launchAltitude, 1e-2f);
            EXPECT_EQ(swarm->node->position, swarm->getCentre());
        }
        EXPECT_LE(enemy->units, garrison);
        distance = now;
        garrison = enemy->units;
    }
    ASSERT_TRUE(swarm->isFinished());
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
    Swarm* swarm = onlySwarm();
    ASSERT_NE(swarm, nullptr);
    std::uint16_t garrisonAtCapture = 0;
    for (int i = 0; i < 200 && !swarm->isFinished(); ++i) {
        step(0.1);
        if (enemy->owner == humanPlayer && garrisonAtCapture == 0) {
            garrisonAtCapture = enemy->units;
        }
    }
    ASSERT_TRUE(swarm->isFinished());
    EXPECT_EQ(enemy->owner, humanPlayer);
    EXPECT_GE(garrisonAtCapture, 1);
    EXPECT_EQ(enemy->units, garrisonAtCapture);
    EXPECT_EQ(std::count(humanPlayer->buildings.begin(), humanPlayer->buildings.end(), enemy), 1);
    EXPECT_EQ(std::count(computerPlayer->buildings.begin(), computerPlayer->buildings.end(), enemy), 0);
    EXPECT_EQ(planet->tiles[enemy->tile.index].owner, humanPlayer);
}

// The garrison a fight of `attackers` leaves, duel by duel: x = rand() mod
// odds, y = rand() mod 100, the attacker wins when y < x and fights on.
int expectedGarrison(unsigned seed, std::uint32_t odds, int attackers, int garrison)
{
    std::srand(seed);
    while (attackers > 0 && garrison > 0) {
        const int x = std::rand() % static_cast<int>(odds);
        const int y = std::rand() % 100;
        if (y < x) {
            --garrison;
        } else {
            --attackers;
        }
    }
    return garrison;
}

TEST_F(SwarmTest, DuelsUseTheAttackersTerrainAgainstTheDefenders)
{
    Tower* enemy = standingTower(computerPlayer, kNearHome, 1, 200);
    struct Case {
        std::uint32_t attackerTerrain, defenderTerrain, odds;
    };
    int losses[2] = {0, 0};
    const Case cases[2] = {{3, 1, 50}, {1, 3, 150}}; // desert beats rock, not the other way
    for (int i = 0; i < 2; ++i) {
        home->tileType = cases[i].attackerTerrain;
        enemy->tileType = cases[i].defenderTerrain;
        enemy->setUnitCount(200);
        // Without a game: fought by hand, removed by nobody.
        auto swarm = std::make_unique<AttackingSwarm>(60, home, enemy, nullptr);
        std::srand(2024);
        swarm->onArrived();
        EXPECT_TRUE(swarm->isFinished());
        EXPECT_EQ(enemy->units, expectedGarrison(2024, cases[i].odds, 60, 200)) << "case " << i;
        losses[i] = 200 - enemy->units;
        swarm->onArrived(); // arrives once only
        EXPECT_EQ(enemy->units, 200 - losses[i]);
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
    Swarm* empty = onlySwarm();
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->getUnitCount(), 0);
    EXPECT_EQ(empty->instanceCount, 0u);

    home->setUnitCount(120);
    home->attack(friendly, game);
    ASSERT_EQ(game->getEntities().size(), 2u);
    auto* own = dynamic_cast<Swarm*>(game->getEntities().back());
    step(0.1);
    EXPECT_TRUE(empty->isFinished()); // on its first update
    EXPECT_EQ(enemy->units, 50);
    EXPECT_EQ(game->getEntities().size(), 2u); // removed only in the next frame
    step(0.1);
    ASSERT_EQ(game->getEntities().size(), 1u);
    EXPECT_EQ(game->getEntities().front(), own);
    ASSERT_TRUE(flyUntilFinished(own));
    EXPECT_EQ(friendly->units, 30);
    EXPECT_EQ(friendly->owner, humanPlayer);
    step(0.1);
    EXPECT_TRUE(game->getEntities().empty());
}

// An empty tile of the human's land, at least `minDistance` from the home
// tower and at most `maxDistance`.
Tile* emptyOwnTile(Planet* planet, const Tower* home, float minDistance, float maxDistance)
{
    for (std::uint32_t index : humanPlayer->territory->ownedTiles) {
        Tile& tile = planet->tiles[index];
        const float distance = glm::distance(tile.position, home->tile.position);
        if (!tile.building && tile.type != 0 && distance >= minDistance && distance <= maxDistance) {
            return &tile;
        }
    }
    return nullptr;
}

TEST_F(SwarmTest, BuildingSwarmFoundsARisingTowerOnAnEmptyOwnTile)
{
    Tile* site = emptyOwnTile(planet, home, 30.0f, 100.0f);
    ASSERT_NE(site, nullptr);
    const std::size_t towers = game->getBuildings().size();
    home->setUnitCount(200);
    home->build(site, game);
    EXPECT_EQ(home->units, 40);
    Swarm* swarm = onlySwarm();
    ASSERT_NE(swarm, nullptr);
    EXPECT_EQ(swarm->getUnitCount(), 160);
    EXPECT_EQ(swarm->instanceCount, 80u);
    EXPECT_FLOAT_EQ(swarm->getSpeed(), 80.0f / 3.0f);
    EXPECT_EQ(swarm->getTarget(), site->position);

    ASSERT_TRUE(flyUntilFinished(swarm));
    ASSERT_EQ(game->getBuildings().size(), towers + 1);
    auto* founded = dynamic_cast<Tower*>(game->getBuildings().back());
    ASSERT_NE(founded, nullptr);
    EXPECT_EQ(site->building, founded);
    EXPECT_EQ(founded->owner, humanPlayer);
    EXPECT_EQ(founded->units, 20);
    EXPECT_TRUE(founded->isUnderConstruction());
    step(0.1);
    EXPECT_TRUE(game->getEntities().empty());
}

TEST_F(SwarmTest, BuildingSwarmReachingATileBuiltOnOrNotItsOwnLeavesNothing)
{
    Tile* taken = emptyOwnTile(planet, home, 30.0f, 100.0f);
    ASSERT_NE(taken, nullptr);
    // The nearest tile beyond the home tower's land.
    Tile* foreignTile = nullptr;
    for (Tile& tile : planet->tiles) {
        if (!tile.owner && (!foreignTile || glm::distance(tile.position, home->tile.position) <
                                                glm::distance(foreignTile->position, home->tile.position))) {
            foreignTile = &tile;
        }
    }
    ASSERT_NE(foreignTile, nullptr);
    Tile& foreign = *foreignTile;
    ASSERT_EQ(foreign.building, nullptr);

    home->setUnitCount(200);
    home->build(taken, game);
    home->setUnitCount(200);
    home->build(&foreign, game);
    ASSERT_EQ(game->getEntities().size(), 2u);
    step(0.1);
    // The opponent's: its claims may spread, but never make a tile the human's.
    Tower* first = game->createTower(taken, computerPlayer, false);
    const std::size_t towers = game->getBuildings().size();

    for (int i = 0; i < 300 && !game->getEntities().empty(); ++i) {
        step(0.1);
    }
    EXPECT_TRUE(game->getEntities().empty());
    EXPECT_EQ(game->getBuildings().size(), towers);
    EXPECT_EQ(taken->building, first);
    EXPECT_EQ(foreign.building, nullptr);
}

// Units that start within reach of a neighbouring target (fine planets, small
// spread) still fight, on the swarm's first update.
class FinePlanetSwarmTest : public SwarmTest {
protected:
    int planetSize() const override { return 6; }
};

TEST_F(FinePlanetSwarmTest, UnitsLaunchedWithinReachOfTheTargetStillFight)
{
    std::vector<std::uint32_t> neighbours;
    planet->tiles[home->tile.index].getNeighbours(neighbours);
    ASSERT_FALSE(neighbours.empty());
    Tower* enemy = standingTower(computerPlayer, planet->tiles[neighbours.front()].position, 1, 150);
    step(0.01);
    std::srand(3);
    home->attack(enemy, game);
    Swarm* swarm = onlySwarm();
    ASSERT_NE(swarm, nullptr);
    ASSERT_LT(glm::distance(swarm->getStart(), swarm->getTarget()), 10.0f);
    EXPECT_FLOAT_EQ(swarm->getSpeed(), 160.0f / 6.0f);
    EXPECT_EQ(swarm->getUnitCount(), 99);
    for (const Swarm::Particle& particle : swarm->getParticles()) {
        EXPECT_LE(glm::length(particle.position - swarm->getStart()), std::sqrt(3.0f)); // spread 2
    }
    step(0.05);
    EXPECT_TRUE(swarm->isFinished());
    EXPECT_LT(enemy->units, 150);
}

// A hash of everything a flight decides, frame by frame.
std::uint64_t mix(std::uint64_t hash, const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) {
        hash = (hash ^ bytes[i]) * 1099511628211ull;
    }
    return hash;
}

TEST_F(SwarmTest, SameSeedGivesTheSameFlightAndFightTwice)
{
    // Driven with exact steps rather than frames: a frame's dt carries the
    // microseconds between setting the clock and reading it.
    auto play = [this]() {
        Tower* enemy = standingTower(computerPlayer, kNearHome, 2, 60);
        std::srand(77);
        auto* swarm = new AttackingSwarm(99, home, enemy, game);
        game->addEntity(swarm, swarm->getStart()); // the game deletes it
        std::uint64_t hash = 14695981039346656037ull;
        for (int i = 0; i < 400 && !swarm->isFinished(); ++i) {
            swarm->update(0.05);
            const glm::vec3 centre = swarm->getCentre();
            const std::uint16_t units[2] = {swarm->getUnitCount(), enemy->units};
            hash = mix(hash, &centre, sizeof(centre));
            hash = mix(hash, units, sizeof(units));
            hash = mix(hash, &enemy->owner->id, sizeof(enemy->owner->id));
            for (const Swarm::Particle& particle : swarm->getParticles()) {
                hash = mix(hash, &particle.position, sizeof(particle.position));
            }
        }
        EXPECT_TRUE(swarm->isFinished());
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
    ASSERT_EQ(game->getEntities().size(), 2u);
    auto* red = dynamic_cast<Swarm*>(game->getEntities()[0]);
    auto* blue = dynamic_cast<Swarm*>(game->getEntities()[1]);
    EXPECT_EQ(blue->getColour(), computerPlayer->colour);
    for (int i = 0; i < 6; ++i) {
        step(0.1);
    }
    ASSERT_FALSE(red->isFinished());
    ASSERT_FALSE(blue->isFinished());
    ASSERT_TRUE(blue->visible); // over the human player's land

    // The same scene drawn with and without the swarms; nothing moves between.
    auto render = [this]() {
        Statistics::getInstance()->renderedTriangles = 0;
        game->getScene()->update();
        game->getScene()->render();
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        return Statistics::getInstance()->renderedTriangles;
    };
    const std::uint32_t trianglesWith = render();
    const std::vector<unsigned char> with = testkit::readPixels(0, 0, 800, 600);
    testkit::savePng("swarms.png", 800, 600, with);
    red->visible = false;
    blue->visible = false;
    const std::uint32_t trianglesWithout = render();
    const std::vector<unsigned char> without = testkit::readPixels(0, 0, 800, 600);

    EXPECT_EQ(trianglesWith - trianglesWithout, 2 * (red->instanceCount + blue->instanceCount));
    int reddened = 0;
    int blued = 0;
    for (std::size_t i = 0; i + 3 < with.size(); i += 4) {
        const int dr = with[i] - without[i];
        const int db = with[i + 2] - without[i + 2];
        reddened += dr > 40 && dr > db;
        blued += db > 40 && db > dr;
    }
    EXPECT_GT(reddened, 100);
    EXPECT_GT(blued, 100);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(SwarmTest, OversizedSwarmDrawsNoMoreThanItsPositionBlockHolds)
{
    Swarm swarm(400, home->tile.position * 1.1f, glm::vec3(0.0f, 0.0f, -220.0f), 10.0f, Swarm::dotTexture());
    EXPECT_EQ(swarm.instanceCount, static_cast<std::uint32_t>(Swarm::kBlockEntries));
    ASSERT_NE(swarm.getMaterial(), nullptr);
    ShaderProgram* program = swarm.getMaterial()->program;
    ASSERT_NE(program, nullptr);
    ASSERT_NE(program->getHandle(), 0u);
    GLint blockBytes = 0;
    glGetActiveUniformBlockiv(program->getHandle(), program->getUniformBlockIndex("SwarmPositions"),
                              GL_UNIFORM_BLOCK_DATA_SIZE, &blockBytes);
    EXPECT_EQ(blockBytes, static_cast<GLint>(Swarm::kBlockEntries * 16));
    glUseProgram(program->getHandle());
    EXPECT_EQ(swarm.draw(), 2 * Swarm::kBlockEntries);
    glUseProgram(0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
} // namespace BV
