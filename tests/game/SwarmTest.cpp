// Swarms on a real game (flights, duels, capture, founding, visibility), the
// territories they fight over and the dice they roll.
#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <tuple>
#include <vector>

#include "game/AttackingSwarm.h"
#include "game/GameFixture.h"
#include "game/Dice.h"
#include "game/Matchup.h"
#include "game/MilitaryBuilding.h"
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
        NPC::getInstance()->thinkTimer = -1.0e9; // the opponent rolls the same dice; it must not think here
        step(0.01);                              // the start towers finish and claim their land
        home = towerOf(humanPlayer);
    }

    // A finished tower near `point` whose garrison only fights change.
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

    Swarm* swarm() const { return static_cast<Swarm*>(game->getEntities().at(0)); }

    // The game deletes it.
    AttackingSwarm* launch(std::uint16_t units, MilitaryBuilding* target)
    {
        auto* flight = new AttackingSwarm(units, home, target, game);
        game->addEntity(flight, flight->getStart());
        return flight;
    }

    static bool land(Swarm* swarm)
    {
        for (int i = 0; i < 400 && !swarm->isFinished(); ++i) {
            swarm->update(0.1);
        }
        return swarm->isFinished();
    }

    Tower* home = nullptr;
};

// 99 even fights against 150 cost units without taking the tower; a swarm of
// none finishes at once. Either is removed in the frame after it finishes.
TEST_F(SwarmTest, EachArrivingUnitWearsDownTheGarrisonAndFinishedSwarmsGoTheFrameAfter)
{
    Tower* enemy = standingTower(computerPlayer, kNearHome, 1, 150);
    step(0.01); // the scene boxes the new tower
    Dice::seed(11);
    home->attack(enemy, game);
    Swarm* flight = swarm();
    EXPECT_EQ(flight->getUnitCount(), 99);
    for (std::uint16_t garrison = enemy->units; !flight->isFinished() && now < 10.0; garrison = enemy->units) {
        step(0.1);
        EXPECT_LE(enemy->units, garrison);
    }
    ASSERT_TRUE(flight->isFinished());
    EXPECT_TRUE(enemy->units > 0 && enemy->units < 150) << enemy->units;
    EXPECT_EQ(enemy->owner, computerPlayer);
    step(0.1);
    EXPECT_TRUE(game->getEntities().empty());

    const std::uint16_t garrison = enemy->units;
    home->setUnitCount(1);
    home->attack(enemy, game);
    EXPECT_EQ(home->units, 1);
    Swarm* empty = swarm();
    EXPECT_EQ(empty->getUnitCount(), 0);
    step(0.1);
    EXPECT_TRUE(empty->isFinished());
    EXPECT_EQ(enemy->units, garrison);
    EXPECT_EQ(game->getEntities().size(), 1u);
    step(0.1);
    EXPECT_TRUE(game->getEntities().empty());
}

// A tower not boxed yet is flown to at its tile. A swarm whose target changed
// sides ends in one long update; a garrison of 0 in reach falls without a duel.
TEST_F(SwarmTest, BeatenOrEmptyGarrisonChangesSidesAndLaterUnitsFightNothing)
{
    Tower* enemy = standingTower(computerPlayer, kNearHome, 1, 3);
    Dice::seed(5);
    home->attack(enemy, game);
    Swarm* flight = swarm();
    EXPECT_EQ(flight->getTarget(), enemy->tile.position);
    std::uint16_t garrisonAtCapture = 0;
    for (int i = 0; i < 200 && !flight->isFinished(); ++i) {
        flight->update(0.1);
        garrisonAtCapture = enemy->owner == humanPlayer && garrisonAtCapture == 0 ? enemy->units : garrisonAtCapture;
    }
    EXPECT_EQ(enemy->owner, humanPlayer);
    EXPECT_GE(garrisonAtCapture, 1);
    EXPECT_EQ(enemy->units, garrisonAtCapture);
    EXPECT_EQ(planet->tiles[enemy->tile.index].owner, humanPlayer);
    AttackingSwarm* own = launch(70, enemy);
    own->update(100.0);
    EXPECT_TRUE(own->isFinished());
    EXPECT_EQ(enemy->units, garrisonAtCapture);
    ASSERT_TRUE(flyUntilGone());

    Tower* empty = standingTower(computerPlayer, -kNearHome, 1, 0);
    empty->node->position = home->node->position, empty->node->orientation = home->node->orientation;
    empty->node->markDirty(false);
    step(0.01); // the scene boxes it where the home tower stands
    ASSERT_LT(glm::distance(Swarm::centreOf(empty), Swarm::centreOf(home)), 1e-3f);
    home->attack(empty, game);
    ASSERT_TRUE(land(swarm()));
    EXPECT_EQ(empty->owner, humanPlayer);
    EXPECT_EQ(empty->units, 1);
}

// Hidden where it sets out, 80 degrees from the human's home; shown nearer.
TEST_F(SwarmTest, EnemySwarmShowsOnlyOverLandTheHumanPlayerSees)
{
    Tower* enemy = standingTower(computerPlayer, glm::vec3(0.0f, 197.0f, 35.0f), 1, 150);
    step(0.01);
    Dice::seed(3);
    enemy->attack(home, game);
    Swarm* flight = swarm();
    const std::vector<std::uint32_t>& seen = humanPlayer->territory->visibleTiles;
    int shown = 0, hidden = 0;
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

TEST_F(SwarmTest, BuildingSwarmFoundsARisingTowerUnlessItsTileIsLost)
{
    for (const bool lost : {false, true}) {
        SCOPED_TRACE(lost ? "lost" : "kept");
        Tile* site = emptyOwnTile(false, 30.0f, 100.0f);
        home->setUnitCount(200);
        home->build(site, game);
        EXPECT_EQ(swarm()->getUnitCount(), 160);
        if (lost) {
            computerPlayer->territory->claim(site->index, 3, towerOf(computerPlayer));
        }
        ASSERT_TRUE(land(swarm()));
        const auto* founded = dynamic_cast<Tower*>(site->building);
        EXPECT_EQ(founded && founded->owner == humanPlayer && founded->units == 20 && founded->isUnderConstruction(),
                  !lost);
        EXPECT_EQ(site->building == nullptr, lost);
        ASSERT_TRUE(flyUntilGone());
    }
}

// Grassland (1) beats moor (3), desert (2) rock (4), moor desert, rock
// grassland; every other pair, water (0) included, is even. 70 units win about
// a third of a duel each at 50, two at 150: 3 sigma bounds.
TEST_F(SwarmTest, DuelsTakeTheOddsOfTheAttackersTerrainsRow)
{
    const std::uint32_t rows[5][5] = {{100, 100, 100, 100, 100},
                                      {100, 100, 100, 150, 50},
                                      {100, 100, 100, 50, 150},
                                      {100, 50, 150, 100, 100},
                                      {100, 150, 50, 100, 100}};
    for (std::uint32_t pair = 0; pair < 25; ++pair) {
        EXPECT_EQ(matchup(pair / 5, pair % 5), rows[pair / 5][pair % 5]) << pair / 5 << " against " << pair % 5;
    }
    Tower* enemy = standingTower(computerPlayer, kNearHome, 4, 200);
    step(0.01); // the scene boxes the new tower
    Dice::seed(21);
    for (const auto& [attackerTerrain, defenderTerrain, fewest, most] :
         {std::tuple{1u, 4u, 0, 45}, std::tuple{4u, 1u, 75, 199}}) {
        SCOPED_TRACE(attackerTerrain);
        home->tileType = attackerTerrain, enemy->tileType = defenderTerrain;
        enemy->setUnitCount(200);
        ASSERT_TRUE(land(launch(70, enemy)));
        EXPECT_EQ(enemy->owner, computerPlayer);
        EXPECT_TRUE(200 - enemy->units >= fewest && 200 - enemy->units <= most) << 200 - enemy->units << " killed";
    }
}

// Between opposite towers every way is as short as any other. The culling
// box must hold every dot, or a swarm vanishes while its dots are in sight.
TEST_F(SwarmTest, FlightBetweenOppositeTowersArrivesWithEveryUnitInsideTheBox)
{
    Tower* enemy = towerOf(computerPlayer);
    enemy->productionInterval = 1.0e9f;
    Dice::seed(77);
    AttackingSwarm* flight = launch(99, enemy);
    int outside = 0;
    for (int i = 0; i < 400 && !flight->isFinished(); ++i) {
        flight->update(0.05);
        const BoundingBox box = flight->getBoundingBox();
        for (const Swarm::Particle& particle : flight->getParticles()) {
            const glm::vec3 offset = particle.position - flight->getCentre();
            outside += !glm::all(glm::lessThanEqual(box.minimum, offset) && glm::lessThanEqual(offset, box.maximum));
        }
    }
    EXPECT_TRUE(flight->isFinished());
    EXPECT_EQ(outside, 0);
    EXPECT_LT(enemy->units, 200);
}

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

    void expectSeenTilesListedOnce() const
    {
        for (const Player* player : {humanPlayer, computerPlayer}) {
            const std::vector<std::uint32_t>& seen = player->territory->visibleTiles;
            for (const Tile& tile : planet->tiles) {
                const auto listed = std::count(seen.begin(), seen.end(), tile.index);
                EXPECT_EQ(listed, player->territory->hasSeen(tile.index) ? 1 : 0) << "tile " << tile.index;
            }
        }
    }

    std::unique_ptr<Planet> planet;
};

// The claim spreads depth-first: only the first neighbour gets strength 2. A
// building seen is revealed to the other side, each tile reported once.
TEST_F(TerritoryTest, ClaimTakesTwoRingsAndRevealsTheTwoBeyondWithTheBuildingsThere)
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
    std::vector<std::uint32_t> around;
    planet->tiles[home].getNeighbours(around);
    EXPECT_EQ(planet->tiles[home].influence.at(&tower), 3u);
    EXPECT_EQ(planet->tiles[around.at(0)].influence.at(&tower), 2u);
    EXPECT_EQ(planet->tiles[around.at(1)].influence.at(&tower), 1u);

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
    expectSeenTilesListedOnce();
}

TEST_F(TerritoryTest, EqualEnemyInfluenceBlocksAndGreaterStrengthTakes)
{
    const std::uint32_t target = 150;
    // Out of the claims' reach: a building always takes its own tile.
    MilitaryBuilding enemy(&planet->tiles[firstAtDistance(target, 1)], computerPlayer);
    MilitaryBuilding own(&planet->tiles[firstAtDistance(target, 4)], humanPlayer);
    computerPlayer->territory->claim(target, 2, &enemy);
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
    expectSeenTilesListedOnce();
}

// PCG32's first outputs for seed 42 on stream 54, as its reference prints
// them; a bad seed in the environment costs one line and the clock seeds.
TEST(DiceTest, FollowsThePublishedSequenceFromASeedTakenFromTheEnvironmentOrTheClock)
{
    const std::uint32_t expected[6] = {0xa15c02b7u, 0x7b47f409u, 0xba1d3330u, 0x83d2f293u, 0xbfa4784bu, 0xcbed606eu};
    Dice::seed(42);
    for (const std::uint32_t value : expected) {
        EXPECT_EQ(Dice::next(), value);
    }
    // roll() spans [0, kMax] like rand(), so "% 100" keeps even shares.
    Dice::seed(42);
    EXPECT_EQ(Dice::getSeed(), 42u);
    EXPECT_EQ(Dice::roll(), static_cast<int>(expected[0] >> 1));

    // -1: refused, the value left as it was.
    const std::pair<const char*, std::int64_t> texts[] = {
        {"0", 0}, {"4294967295", 4294967295}, {"0042", 42}, {"4294967296", -1}, {"-1", -1}, {"12a", -1}, {" 7", -1},
        {"", -1}, {"99999999999", -1}};
    for (const auto& [text, value] : texts) {
        std::uint32_t parsed = 123;
        EXPECT_EQ(Dice::parseSeed(text, parsed), value >= 0) << text;
        EXPECT_EQ(parsed, value >= 0 ? value : 123) << text;
    }

    testkit::LogWatch watch;
    setenv("BREVAMOOR_SEED", "31337", 1);
    EXPECT_EQ(Dice::seedFromEnvironment(), 31337u);
    unsetenv("BREVAMOOR_SEED");
    const std::uint32_t before = static_cast<std::uint32_t>(std::time(nullptr));
    EXPECT_GE(Dice::seedFromEnvironment(), before); // the clock, silently: the one line below is the only one

    setenv("BREVAMOOR_SEED", "seven", 1);
    EXPECT_GE(Dice::seedFromEnvironment(), before);
    unsetenv("BREVAMOOR_SEED");
    EXPECT_EQ(watch.lines(), std::vector<std::string>{"CRITICAL :BREVAMOOR_SEED is not a number from 0 to 4294967295: "
                                                      "\"seven\"; the clock seeds the game instead"});
}

} // namespace
} // namespace BV
