// Swarms on a real game: flight from anywhere, arrivals, duels by terrain,
// capture, founding, visibility to the player, removal and determinism.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

#include "game/AttackingSwarm.h"
#include "game/GameFixture.h"
#include "game/Dice.h"
#include "game/Matchup.h"
#include "game/NPC.h"
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
        // The opponent rolls the same dice; it must not think here.
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

    Swarm* swarm() const
    {
        return game->getEntities().empty() ? nullptr : dynamic_cast<Swarm*>(game->getEntities().front());
    }

    // Updates of 0.1 s without drawing frames until the swarm is done;
    // false if that never happens.
    static bool land(Swarm* swarm)
    {
        for (int i = 0; i < 400 && !swarm->isFinished(); ++i) {
            swarm->update(0.1);
        }
        return swarm->isFinished();
    }

    Tower* home = nullptr;
};

// 99 of the 198 units fly; each arrival wears the garrison down, one fight
// at a time: 99 even fights against 150 cost it units without taking it.
// A swarm with no units fights nothing and finishes on its first update;
// either is removed only in the frame after it finishes.
TEST_F(SwarmTest, EachArrivingUnitWearsDownTheGarrisonAndFinishedSwarmsGoTheFrameAfter)
{
    Tower* enemy = standingTower(computerPlayer, kNearHome, 1, 150);
    step(0.01); // the scene boxes the new tower
    Dice::seed(11);
    home->attack(enemy, game);
    Swarm* flight = swarm();
    ASSERT_NE(flight, nullptr);
    EXPECT_EQ(flight->getUnitCount(), 99);
    for (std::uint16_t garrison = enemy->units; !flight->isFinished() && now < 10.0; garrison = enemy->units) {
        step(0.1);
        EXPECT_LE(enemy->units, garrison);
    }
    ASSERT_TRUE(flight->isFinished());
    EXPECT_LT(enemy->units, 150);
    EXPECT_GT(enemy->units, 0);
    EXPECT_EQ(enemy->owner, computerPlayer);
    step(0.1);
    EXPECT_TRUE(game->getEntities().empty());

    const std::uint16_t garrison = enemy->units;
    home->setUnitCount(1);
    home->attack(enemy, game);
    Swarm* empty = swarm();
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->getUnitCount(), 0);
    step(0.1);
    EXPECT_TRUE(empty->isFinished());
    EXPECT_EQ(enemy->units, garrison);
    EXPECT_EQ(game->getEntities().size(), 1u);
    step(0.1);
    EXPECT_TRUE(game->getEntities().empty());
}

// A tower the scene has not boxed yet is flown to at its tile. Later arrivals
// fight nothing: the garrison stays what it was at capture.
// A garrison already at 0, standing where the attacker stands, falls to the
// first arrival without a duel.
TEST_F(SwarmTest, BeatenOrEmptyGarrisonChangesSidesAndLaterUnitsFightNothing)
{
    Tower* enemy = standingTower(computerPlayer, kNearHome, 1, 3);
    Dice::seed(5);
    home->attack(enemy, game);
    Swarm* flight = swarm();
    ASSERT_NE(flight, nullptr);
    EXPECT_EQ(flight->getTarget(), enemy->tile.position); // not boxed yet: it flies to the tile
    std::uint16_t garrisonAtCapture = 0;
    for (int i = 0; i < 200 && !flight->isFinished(); ++i) {
        flight->update(0.1);
        if (enemy->owner == humanPlayer && garrisonAtCapture == 0) {
            garrisonAtCapture = enemy->units;
        }
    }
    EXPECT_EQ(enemy->owner, humanPlayer);
    EXPECT_GE(garrisonAtCapture, 1);
    EXPECT_EQ(enemy->units, garrisonAtCapture);
    EXPECT_EQ(planet->tiles[enemy->tile.index].owner, humanPlayer);
    auto* own = new AttackingSwarm(70, home, enemy, game); // a target that changed sides on the way
    game->addEntity(own, own->getStart());                 // the game deletes it
    ASSERT_TRUE(land(own));
    EXPECT_EQ(enemy->units, garrisonAtCapture);
    ASSERT_TRUE(flyUntilGone());

    Tower* empty = standingTower(computerPlayer, -kNearHome, 1, 0);
    empty->node->position = home->node->position;
    empty->node->orientation = home->node->orientation;
    empty->node->markDirty(false);
    step(0.01); // the scene boxes it where the home tower stands
    ASSERT_LT(glm::distance(Swarm::centreOf(empty), Swarm::centreOf(home)), 1e-3f);
    home->attack(empty, game);
    ASSERT_TRUE(land(swarm()));
    EXPECT_EQ(empty->owner, humanPlayer);
    EXPECT_EQ(empty->units, 1);
}

// An enemy swarm shows exactly while it is over land the human player holds
// or once held, or a tile listed among the human player's seen tiles: hidden
// where it sets out, 80 degrees from the human player's home, shown nearer.
TEST_F(SwarmTest, EnemySwarmShowsOnlyOverLandTheHumanPlayerSees)
{
    Tower* enemy = standingTower(computerPlayer, glm::vec3(0.0f, 197.0f, 35.0f), 1, 150);
    step(0.01);
    Dice::seed(3);
    enemy->attack(home, game);
    Swarm* flight = swarm();
    ASSERT_NE(flight, nullptr);
    const std::vector<std::uint32_t>& seen = humanPlayer->territory->visibleTiles;
    int shown = 0;
    int hidden = 0;
    for (int frame = 0; frame < 100 && !flight->isFinished(); ++frame) {
        step(0.25);
        const std::uint32_t tile = planet->getTileIndexAt(flight->getCentre());
        const bool sees =
            humanPlayer->territory->hasHeld(tile) || std::find(seen.begin(), seen.end(), tile) != seen.end();
        ASSERT_EQ(flight->visible, sees) << "frame " << frame << " tile " << tile;
        ++(sees ? shown : hidden);
    }
    EXPECT_GT(shown, 0);
    EXPECT_GT(hidden, 0);
}

// 160 of 200 units fly and found a rising tower of 20 on an own tile; a
// party whose tile is lost on the way founds nothing, even where no
// building stands.
TEST_F(SwarmTest, BuildingSwarmFoundsARisingTowerUnlessItsTileIsLost)
{
    Tile* site = emptyOwnTile(false, 30.0f, 100.0f);
    ASSERT_NE(site, nullptr);
    home->setUnitCount(200);
    home->build(site, game);
    ASSERT_NE(swarm(), nullptr);
    EXPECT_EQ(swarm()->getUnitCount(), 160);
    ASSERT_TRUE(land(swarm()));
    const auto* founded = dynamic_cast<Tower*>(site->building);
    ASSERT_NE(founded, nullptr);
    EXPECT_EQ(founded->owner, humanPlayer);
    EXPECT_EQ(founded->units, 20);
    EXPECT_TRUE(founded->isUnderConstruction());
    ASSERT_TRUE(flyUntilGone());

    Tile* lost = emptyOwnTile(false, 30.0f, 100.0f);
    ASSERT_NE(lost, nullptr);
    home->setUnitCount(200);
    home->build(lost, game);
    computerPlayer->territory->claim(lost->index, 3, towerOf(computerPlayer));
    ASSERT_EQ(lost->owner, computerPlayer);
    ASSERT_TRUE(land(swarm()));
    EXPECT_EQ(lost->building, nullptr);
}

// Grassland (1) beats moor (3), desert (2) beats rock (4), moor beats desert,
// rock beats grassland; every other pair, water (0) included, is even. The
// attacker's terrain picks the row.
TEST(Matchup, AttackersTerrainPicksTheRow)
{
    const std::uint32_t rows[5][5] = {{100, 100, 100, 100, 100},
                                      {100, 100, 100, 150, 50},
                                      {100, 100, 100, 50, 150},
                                      {100, 50, 150, 100, 100},
                                      {100, 150, 50, 100, 100}};
    for (std::uint32_t attacker = 0; attacker < 5; ++attacker) {
        for (std::uint32_t defender = 0; defender < 5; ++defender) {
            EXPECT_EQ(matchup(attacker, defender), rows[attacker][defender]) << attacker << " against " << defender;
        }
    }
}

// 70 units from grassland against rock duel at 50 and win about a third of
// a duel each; from rock against grassland at 150, about two. The bounds
// lie more than three standard deviations from either mean.
TEST_F(SwarmTest, DuelsTakeTheOddsOfTheAttackersTerrain)
{
    Tower* enemy = standingTower(computerPlayer, kNearHome, 4, 200);
    step(0.01); // the scene boxes the new tower
    Dice::seed(21);
    for (const auto& [attackerTerrain, defenderTerrain, fewest, most] :
         {std::tuple{1u, 4u, 0, 45}, std::tuple{4u, 1u, 75, 199}}) {
        SCOPED_TRACE(attackerTerrain);
        home->tileType = attackerTerrain;
        enemy->tileType = defenderTerrain;
        enemy->setUnitCount(200);
        auto* flight = new AttackingSwarm(70, home, enemy, game);
        game->addEntity(flight, flight->getStart()); // the game deletes it
        ASSERT_TRUE(land(flight));
        EXPECT_EQ(enemy->owner, computerPlayer);
        EXPECT_GE(200 - enemy->units, fewest);
        EXPECT_LE(200 - enemy->units, most);
    }
}

// A frame longer than the rest of the way ends on the target.
TEST_F(SwarmTest, OneLongFrameEndsOnTheTarget)
{
    Tower* enemy = standingTower(computerPlayer, kNearHome, 1, 50);
    step(0.01);
    home->attack(enemy, game);
    swarm()->update(100.0);
    EXPECT_TRUE(swarm()->isFinished());
}

// From one start tower to the other, exactly opposite, where every way over
// the planet is as short as any other, the flight still arrives. The dots
// swing ever wider around the centre as it flies on: the box the scene culls
// the swarm by must hold every one of them, or a swarm whose centre is just
// off screen or behind the planet's rim vanishes while its dots are still in
// sight. The same seed gives the same flight and fight twice: an FNV-1a hash
// of everything it decides, driven with exact steps.
TEST_F(SwarmTest, SameSeedGivesTheSameFlightTwiceWithEveryUnitInsideTheBox)
{
    auto play = [this]() {
        std::uint64_t hash = 14695981039346656037ull;
        auto mix = [&hash](const auto& value) {
            for (std::size_t i = 0; i < sizeof(value); ++i) {
                hash = (hash ^ reinterpret_cast<const unsigned char*>(&value)[i]) * 1099511628211ull;
            }
        };
        Tower* enemy = towerOf(computerPlayer);
        enemy->productionInterval = 1.0e9f;
        enemy->tileType = 2;
        Dice::seed(77);
        auto* flight = new AttackingSwarm(99, home, enemy, game);
        game->addEntity(flight, flight->getStart()); // the game deletes it
        int outside = 0;
        for (int i = 0; i < 400 && !flight->isFinished(); ++i) {
            flight->update(0.05);
            mix(flight->getCentre());
            mix(flight->getUnitCount());
            mix(enemy->units);
            mix(enemy->owner->id);
            const BoundingBox box = flight->getBoundingBox();
            for (const Swarm::Particle& particle : flight->getParticles()) {
                mix(particle.position);
                const glm::vec3 offset = particle.position - flight->getCentre();
                outside += glm::all(glm::lessThanEqual(box.minimum, offset)) &&
                                   glm::all(glm::lessThanEqual(offset, box.maximum))
                               ? 0
                               : 1;
            }
        }
        EXPECT_TRUE(flight->isFinished());
        EXPECT_EQ(outside, 0);
        return hash;
    };
    const std::uint64_t first = play();
    TearDown();
    SetUp();
    EXPECT_EQ(play(), first);
}

} // namespace
} // namespace BV
