// The game's rules, the player's commands, the computer opponent, the camera
// controller and what the player sees of a real game.
#include <algorithm>
#include <iterator>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

#include "game/CameraController.h"
#include "game/GameFixture.h"
#include "game/NPC.h"
#include "resources/Material.h"
#include "resources/ShaderProgram.h"
#include "scene/Cursor.h"
#include "scene/SceneNode.h"
#include "scene/TextureBillboard.h"

namespace BV {
namespace {

using StartTest = testkit::GameFixture;

// A game whose start towers have finished, claimed their land and filled up.
class GameTest : public testkit::GameFixture {
protected:
    void SetUp() override
    {
        GameFixture::SetUp();
        step(0.1);
        human = towerOf(humanPlayer);
        computer = towerOf(computerPlayer);
        npc = NPC::getInstance();
    }
    void TearDown() override
    {
        Statistics::getInstance()->wireframe = Statistics::getInstance()->overlayVisible = false;
        GameFixture::TearDown();
    }

    // The tile hovered and the cursor shown, as the frame would, the cursor reset first.
    using Hover = std::pair<std::int32_t, std::int32_t>;
    Hover hover(const Tile* tile)
    {
        Cursor::getInstance()->mode = Cursor::DEFAULT;
        game->applyHoverRules(tile->index);
        return {planet->hoveredTile, Cursor::getInstance()->mode};
    }
    static Hover shows(const Tile* tile, std::int32_t mode) { return {at(tile), mode}; }
    const Hover none{-1, Cursor::DEFAULT};
    std::int32_t click(int button = GLFW_MOUSE_BUTTON_LEFT)
    {
        game->onMouseButtonReleased(button, {0, 0}, 0);
        return planet->selectedTile;
    }
    std::int32_t selectHome() { return hover(&human->tile), click(); }
    void think() { npc->thinkTimer = 1.0, npc->update(0.0); } // the computer's next thought, due now
    void pointAt(const glm::vec2& at) { glfwSetCursorPos(Window::getInstance()->getHandle(), at.x, at.y); }
    static std::int32_t at(const Tile* tile) { return static_cast<std::int32_t>(tile->index); }
    static std::int32_t at(const Tower* tower) { return at(&tower->tile); }

    Tower* human = nullptr;
    Tower* computer = nullptr;
    NPC* npc = nullptr;
};
using CommandTest = GameTest;
using NPCTest = GameTest;

TEST_F(StartTest, StartTowersStandOnOppositePolesAndFillAfterOneTenthOfASecond)
{
    Tower* human = towerOf(humanPlayer);
    EXPECT_EQ(human->tile.index, planet->getTileIndexAt(glm::vec3(0, 0, 200)));
    EXPECT_EQ(towerOf(computerPlayer)->tile.index, planet->getTileIndexAt(glm::vec3(0, 0, -200)));
    EXPECT_EQ(human->tile.type, 1u);                     // whatever the terrain draw said
    EXPECT_FLOAT_EQ(human->node->scale.x, 16.0f / 9.0f); // (4 / planet size 3) squared
    step(0.05);
    EXPECT_FALSE(human->isUnderConstruction());
    EXPECT_EQ(human->units, 199);
    step(0.05);
    EXPECT_EQ(human->units, 200);
}

// At the cap the production timer still runs, so a tower that loses units
// resumes at its pace.
TEST_F(GameTest, FoundedTowerRisesForASecondThenProducesUpToTheCapWhileItsTimerRuns)
{
    Tile* site = emptyOwnTile();
    Tower* tower = game->createTower(site, humanPlayer, false);
    EXPECT_LT(glm::dot(tower->node->position - site->position, site->normal), -0.5f * tower->getHeight());
    step(0.9);
    EXPECT_TRUE(tower->isUnderConstruction());
    EXPECT_EQ(tower->units, 20);
    step(0.15);
    EXPECT_FALSE(tower->isUnderConstruction());
    EXPECT_EQ(tower->units, 21);
    EXPECT_NEAR(glm::distance(tower->node->position, site->position), 0.0f, 1e-4f);
    EXPECT_EQ(site->influence.count(tower), 1u);

    human->productionTimer = 0.0f;
    human->update(0.25);
    EXPECT_EQ(human->units, 200);
    EXPECT_NEAR(human->productionTimer, 0.15f, 1e-6f);
    human->setUnitCount(150);
    human->update(0.0), human->update(0.0);
    EXPECT_EQ(human->units, 151);
    EXPECT_NEAR(human->productionTimer, 0.05f, 1e-6f);
}

// After a win nothing moves; both sides may lose in one frame.
TEST_F(GameTest, GameEndsWhenASideOwnsNothingAndEscapeClosesOnRelease)
{
    computerPlayer->buildings.clear();
    step(0.1);
    EXPECT_TRUE(game->isWon());
    EXPECT_FALSE(game->isLost());
    human->setUnitCount(10);
    step(0.5);
    EXPECT_EQ(human->units, 10);
    TearDown(), SetUp(); // a new game
    humanPlayer->buildings.clear();
    computerPlayer->buildings.clear();
    step(0.1);
    EXPECT_TRUE(game->isLost());
    EXPECT_TRUE(game->isWon());

    GLFWwindow* handle = Window::getInstance()->getHandle();
    GLFWkeyfun callback = glfwSetKeyCallback(handle, nullptr);
    glfwSetKeyCallback(handle, callback);
    callback(handle, GLFW_KEY_ESCAPE, 9, GLFW_PRESS, 0);
    EXPECT_FALSE(glfwWindowShouldClose(handle));
    callback(handle, GLFW_KEY_ESCAPE, 9, GLFW_RELEASE, 0);
    EXPECT_TRUE(glfwWindowShouldClose(handle));
}

// P pauses and Pause goes on. Paused, the camera turns and a command is taken,
// its swarm leaving once the game goes on; a sign says the game is paused.
TEST_F(GameTest, PauseStopsTheGameButNotTheViewOrTheCommands)
{
    human->setUnitCount(150), computer->visible = true;
    selectHome();
    game->onKeyPressed(GLFW_KEY_P, 0, 0);
    hover(&computer->tile), click();
    ASSERT_EQ(game->getEntities().size(), 1u);
    const std::uint64_t hash = game->stateHash(0);
    const glm::quat sun = game->getScene()->getSunNode()->orientation;
    const glm::vec3 commanded = game->getEntities()[0]->node->position;
    const glm::vec3 view = game->getCamera()->getWorldPosition();
    const double thought = npc->thinkTimer;
    game->getCameraController()->onKeyPressed(GLFW_KEY_D, 0, 0);
    step(4.0);
    game->getCameraController()->onKeyReleased(GLFW_KEY_D, 0, 0);
    EXPECT_EQ(game->stateHash(0), hash);
    EXPECT_EQ(game->getScene()->getSunNode()->orientation, sun);
    EXPECT_EQ(npc->thinkTimer, thought);
    EXPECT_GT(glm::distance(game->getCamera()->getWorldPosition(), view), 1.0f) << "the view stood still";
    const std::vector<unsigned char> paused = scenetest::readWindow();
    game->onKeyPressed(GLFW_KEY_PAUSE, 0, 0);
    step(0.1);
    EXPECT_FALSE(game->isPaused());
    const glm::dvec3 sign = scenetest::meanColour(paused, 250, 130, 300, 140) -
                            scenetest::meanColour(scenetest::readWindow(), 250, 130, 300, 140);
    EXPECT_GT(scenetest::channelSum(sign), 120.0) << "no pause sign";
    EXPECT_NE(game->getEntities()[0]->node->position, commanded);
}

// Nothing selected, only own finished towers can be hovered and selected;
// a selection survives the loss of another tower but not of its own.
TEST_F(CommandTest, LosingTheSelectedTowerClearsTheSelectionAndItsOutline)
{
    Tower* second = game->createTower(emptyOwnTile(false, 30.0f), humanPlayer, true);
    Tower* third = game->createTower(emptyOwnTile(false, 30.0f), humanPlayer, true);
    Tower* rising = game->createTower(emptyOwnTile(), humanPlayer, false);
    step(0.01);
    for (const Tile* refused : std::initializer_list<const Tile*>{&computer->tile, emptyOwnTile(), &rising->tile}) {
        EXPECT_EQ(hover(refused), none);
    }
    EXPECT_EQ(hover(&second->tile), shows(&second->tile, Cursor::SELECT));
    EXPECT_EQ(click(GLFW_MOUSE_BUTTON_RIGHT), -1); // only the left button commands
    EXPECT_EQ(click(), at(second));
    EXPECT_EQ(selectHome(), at(human));
    // The planet draws its faces plus one triangle per face of an outlined tile.
    auto outlineTriangles = [this]() {
        glUseProgram(planet->material->program->getHandle());
        planet->material->bind();
        const std::int32_t hovered = planet->hoveredTile;
        planet->hoveredTile = -1;
        planet->piecewise = false; // the whole surface, so that what is drawn beyond it is the outline
        const std::uint32_t drawn = planet->draw();
        planet->piecewise = true;
        planet->hoveredTile = hovered;
        return drawn - static_cast<std::uint32_t>(planet->faces.size());
    };
    ASSERT_TRUE(planet->isDrawingBuilt());
    EXPECT_EQ(outlineTriangles(), human->tile.faces.size());

    second->changeOwner(computerPlayer);
    EXPECT_EQ(planet->selectedTile, at(human));
    EXPECT_EQ(computerPlayer->buildings, (std::vector<Building*>{computer, second}));
    EXPECT_EQ(humanPlayer->buildings, (std::vector<Building*>{human, third, rising}));
    human->changeOwner(computerPlayer);
    EXPECT_EQ(planet->selectedTile, -1);
    EXPECT_EQ(outlineTriangles(), 0u);
    EXPECT_EQ(hover(emptyOwnTile()), none);
    EXPECT_EQ(hover(&third->tile), shows(&third->tile, Cursor::SELECT));
    EXPECT_EQ(click(), at(third));
}

// A full selected tower founds on own dry land and attacks enemies it sees. A
// tile the player once held stays lit, though never "seen" as somebody else's:
// a tower there is shown; land never held stays hidden.
TEST_F(CommandTest, SelectedTowerBuildsWhenFullAndAttacksEnemiesSeenOrOnLandOnceHeld)
{
    game->createTower(emptyOwnTile(false, 30.0f), humanPlayer, true);
    step(0.01);
    towerOf(humanPlayer, 1)->changeOwner(computerPlayer);
    const std::vector<std::uint32_t>& owned = computerPlayer->territory->ownedTiles;
    const auto found = std::find_if(owned.begin(), owned.end(), [this](std::uint32_t index) {
        const Territory& territory = *humanPlayer->territory;
        return !planet->tiles[index].building && territory.hasHeld(index) && !territory.hasSeen(index);
    });
    ASSERT_NE(found, owned.end());
    Tile* taken = &planet->tiles[*found];
    Tower* raised = game->createTower(taken, computerPlayer, false);
    EXPECT_TRUE(raised->visible);
    raised->update(1.0);
    selectHome();
    EXPECT_EQ(hover(taken), shows(taken, Cursor::ATTACK));
    EXPECT_FALSE(computer->visible);

    const Tile* site = emptyOwnTile();
    selectHome();
    human->setUnitCount(199);
    EXPECT_EQ(hover(site), none);
    human->setUnitCount(200);
    EXPECT_EQ(hover(site), shows(site, Cursor::BUILD));
    // Another empty own tile, made water whatever the terrain drew.
    Tile* water = emptyOwnTile(false, glm::distance(site->position, human->tile.position) + 1.0f);
    water->type = 0;
    EXPECT_EQ(hover(water), none);
    EXPECT_EQ((hover(site), click()), -1);
    EXPECT_EQ(human->units, 40);

    selectHome();
    EXPECT_EQ(hover(&computer->tile), none); // not seen yet
    computer->visible = true;
    EXPECT_EQ(hover(&computer->tile), shows(&computer->tile, Cursor::ATTACK));
    human->setUnitCount(199);
    EXPECT_EQ(click(), at(human));
    EXPECT_EQ(human->units, 100);
}

// Near the limb a tower stands over the tiles behind it; a view turned in
// this frame is picked from at once.
TEST_F(CommandTest, PickingSeesTowerBodiesNearTheLimbAndTheViewTurnedInTheSameFrame)
{
    pointAt({2.0f, 2.0f});
    step(0.01);
    EXPECT_EQ(planet->hoveredTile, -1);
    Tower* limb = game->createTower(&planet->tiles[planet->getTileIndexAt({-190.0f, 0.0f, 62.0f})], humanPlayer, true);
    step(0.01);
    const float scale = limb->node->getWorldScale().x;
    const glm::vec3 body = limb->tile.position + limb->tile.normal * limb->getHeight() * scale * 0.7f;
    pointAt(toScreen(body));
    step(0.01);
    EXPECT_EQ(planet->hoveredTile, at(limb));
    EXPECT_EQ(click(), at(limb));

    // Four rings of own land, all of it hoverable while a full tower is selected.
    humanPlayer->territory->claim(human->tile.index, 5, human);
    for (std::uint32_t index : humanPlayer->territory->ownedTiles) {
        planet->tiles[index].type = 1;
    }
    selectHome();
    pointAt({scenetest::WINDOW_WIDTH / 2.0f, scenetest::WINDOW_HEIGHT / 2.0f});
    CameraController* controller = game->getCameraController();
    for (const int key : {GLFW_KEY_D, GLFW_KEY_A, GLFW_KEY_S, GLFW_KEY_W}) {
        SCOPED_TRACE(key);
        const std::int32_t before = planet->hoveredTile;
        controller->onKeyPressed(key, 0, 0);
        step(0.3); // 0.3 radians: 60 units on the ground, two tiles
        controller->onKeyReleased(key, 0, 0);
        // The mouse at the centre: the ray runs to the planet's centre.
        const glm::vec3 ground = glm::normalize(game->getCamera()->getWorldPosition()) * Game::planetRadius;
        const auto expected = static_cast<std::int32_t>(planet->getTileIndexAt(ground));
        EXPECT_NE(expected, before);
        EXPECT_EQ(planet->hoveredTile, expected);
    }
}

// score = 2 * (2 * matchup(candidate's terrain, attacker's terrain) + 250 -
// candidate's units + attacker's units) - distance must beat 800; of equal
// scores the later candidate wins. Both candidates stand 100 units away.
TEST_F(NPCTest, TargetScoresReadTheCandidatesTerrainFirstAndTiesGoToTheLater)
{
    Tower* other = game->createTower(emptyOwnTile(), humanPlayer, true);
    step(0.01);
    computer->node->position = glm::vec3(0, 0, -200);
    human->node->position = glm::vec3(0, 0, -100);
    other->node->position = glm::vec3(100, 0, -200);
    computer->tileType = 1, computer->setUnitCount(100);
    npc->knownEnemies = {human, other};
    const struct {
        const char* name;
        std::uint32_t humanTerrain, humanUnits, otherTerrain, otherUnits;
        MilitaryBuilding* expected;
    } cases[] = {
        {"both exactly 800", 1, 100, 1, 100, nullptr},
        {"802 against 800", 1, 99, 1, 100, human},
        {"tie at 802", 1, 99, 1, 99, other},
        {"rock against grassland: 150", 4, 199, 1, 100, human},
        {"moor against grassland: 50", 1, 100, 3, 99, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        human->tileType = c.humanTerrain, other->tileType = c.otherTerrain;
        human->setUnitCount(static_cast<std::uint16_t>(c.humanUnits));
        other->setUnitCount(static_cast<std::uint16_t>(c.otherUnits));
        EXPECT_EQ(npc->chooseTarget(computer), c.expected);
    }
}

// With one building founding always goes on, never twice on one tile. A long
// frame thinks once.
TEST_F(NPCTest, FoundsOnlyOnFreeTilesBuildersLeaveTheFullListAndALongFrameThinksOnce)
{
    npc->knownEnemies.clear(); // no attacks below
    for (std::size_t founded = 1; founded <= 2; ++founded) {
        computer->setUnitCount(200);
        ASSERT_EQ(npc->fullBuildings.size(), 1u);
        think();
        ASSERT_EQ(npc->pendingBuildTiles.size(), founded);
        EXPECT_EQ(computer->units, 40);
        EXPECT_TRUE(npc->fullBuildings.empty());
        const Tile& chosen = planet->tiles[npc->pendingBuildTiles.back()];
        EXPECT_TRUE(chosen.owner == computerPlayer && chosen.type != 0 && !chosen.building) << chosen.index;
    }
    EXPECT_NE(npc->pendingBuildTiles[0], npc->pendingBuildTiles[1]);

    const std::vector<std::uint32_t>& owned = computerPlayer->territory->ownedTiles;
    npc->pendingBuildTiles.clear();
    std::copy_if(owned.begin(), owned.end(), std::back_inserter(npc->pendingBuildTiles),
                 [this](std::uint32_t index) { return !planet->tiles[index].building; });
    const std::vector<std::uint32_t> pending = npc->pendingBuildTiles;
    computer->setUnitCount(200);
    think();
    EXPECT_EQ(npc->pendingBuildTiles, pending);
    EXPECT_EQ(computer->units, 200);

    step(2.5);
    EXPECT_EQ(npc->thinkTimer, 0.0);
    step(0.5);
    EXPECT_NEAR(npc->thinkTimer, 0.5, 1e-3);
}

// An outpost five tiles from the human's home sees into the human's land. A
// tower captured, even while rising, is its own once; one lost is known.
TEST_F(NPCTest, KnowsEveryHumanTowerFoundedInItsSightAndNeverItsOwn)
{
    npc->thinkTimer = -1.0e9; // no dice: nothing attacks or founds by itself
    Tower* outpost =
        game->createTower(&planet->tiles[planet->getTileIndexAt({0.0f, 140.0f, 143.0f})], computerPlayer, true);
    step(0.1);
    Tile* sites[2] = {}; // one the computer has seen, one it has not
    for (std::uint32_t index : humanPlayer->territory->ownedTiles) {
        Tile*& slot = sites[computerPlayer->territory->hasSeen(index) ? 0 : 1];
        slot = slot || planet->tiles[index].building ? slot : &planet->tiles[index];
    }
    ASSERT_TRUE(sites[0] && sites[1]);
    auto known = [this](const MilitaryBuilding* building) {
        return std::count(npc->knownEnemies.begin(), npc->knownEnemies.end(), building);
    };
    Tower* watched = game->createTower(sites[0], humanPlayer, false);
    EXPECT_EQ(known(watched), 1);
    EXPECT_EQ(known(game->createTower(sites[1], humanPlayer, false)), 0);
    EXPECT_EQ(known(outpost), 0);
    Tower* rising = game->createTower(emptyOwnTile(), humanPlayer, false);
    rising->changeOwner(computerPlayer);

    step(1.0);
    watched->changeOwner(computerPlayer);
    EXPECT_EQ(known(watched), 0);
    watched->setUnitCount(200); // it would score 2 * (2 * 100 + 250) = 900 against itself
    EXPECT_NE(npc->chooseTarget(watched), watched);
    watched->changeOwner(humanPlayer);
    EXPECT_EQ(known(watched), 1);
    ASSERT_FALSE(rising->isUnderConstruction());
    EXPECT_EQ(std::count(npc->ownBuildings.begin(), npc->ownBuildings.end(), rising), 1);
}

// Otherwise the opponent would one day have no tile left to found on.
TEST_F(NPCTest, ReleasesAFoundingTileWhenItsPartyFailsOrTheTileIsLost)
{
    for (const bool lost : {false, true}) {
        SCOPED_TRACE(lost ? "lost" : "built on");
        computer->setUnitCount(200);
        think(); // with one building of its own it always founds
        npc->thinkTimer = -1.0e9;
        ASSERT_EQ(npc->pendingBuildTiles.size(), 1u);
        Tile& site = planet->tiles[npc->pendingBuildTiles.front()];
        // A start tower takes the tile at once; a bare building claims nothing.
        const auto blocker = lost ? nullptr : std::make_unique<MilitaryBuilding>(&site, humanPlayer);
        if (lost) {
            game->createTower(&site, humanPlayer, true);
        }
        step(0.1);
        ASSERT_FALSE(game->getEntities().empty()); // still under way
        EXPECT_EQ(npc->pendingBuildTiles.size(), lost ? 0u : 1u);
        ASSERT_TRUE(flyUntilGone());
        EXPECT_TRUE(npc->pendingBuildTiles.empty());
        EXPECT_NE(site.building->owner, computerPlayer);
        if (blocker) {
            site.building = nullptr;
        }
    }
}

// Counters never go below zero on a release without a press.
TEST_F(GameTest, CameraKeysAndDragsTurnThePivotFunctionKeysToggleOnReleaseAndZoomIsClamped)
{
    CameraController& controller = *game->getCameraController();
    const Camera& camera = *game->getCamera();
    const Node& pivot = *camera.getParent();
    auto yaw = [&pivot]() { return 2.0f * std::atan2(pivot.orientation.y, pivot.orientation.w); };
    EXPECT_FLOAT_EQ(camera.position.z, 450.0f);
    controller.onKeyReleased(GLFW_KEY_W, 0, 0);
    controller.onKeyPressed(GLFW_KEY_W, 0, 0);
    EXPECT_EQ(controller.getPitchDirection(), -1);
    controller.onKeyReleased(GLFW_KEY_W, 0, 0);

    controller.onKeyPressed(GLFW_KEY_D, 0, 0);
    controller.onKeyRepeated(GLFW_KEY_D, 0, 0);
    controller.onKeyPressed(GLFW_KEY_D, 0, 0); // a second press without release counts once
    controller.update(1.0);
    EXPECT_NEAR(yaw(), 1.0f, 1e-5f);
    controller.onKeyPressed(GLFW_KEY_A, 0, 0);
    EXPECT_EQ(controller.getYawDirection(), 0);
    controller.onKeyReleased(GLFW_KEY_A, 0, 0), controller.onKeyReleased(GLFW_KEY_D, 0, 0);
    EXPECT_EQ(controller.getYawDirection(), 0);

    Statistics* statistics = Statistics::getInstance();
    const bool wireframe = statistics->wireframe;
    controller.onKeyPressed(GLFW_KEY_F3, 0, 0);
    controller.onKeyRepeated(GLFW_KEY_F3, 0, 0);
    EXPECT_EQ(statistics->wireframe, wireframe);
    controller.onKeyReleased(GLFW_KEY_F3, 0, 0);
    EXPECT_NE(statistics->wireframe, wireframe);

    // A drag turns one radian per thousand pixels; the wheel's zoom is clamped.
    controller.onMouseButtonPressed(GLFW_MOUSE_BUTTON_RIGHT, {100, 100}, 0);
    controller.onMouseMoved({600, 100});
    EXPECT_NEAR(yaw(), 0.5f, 1e-5f); // dragging right turns back
    controller.onMouseButtonReleased(GLFW_MOUSE_BUTTON_RIGHT, {600, 100}, 0);
    controller.onMouseMoved({0, 0});
    EXPECT_NEAR(yaw(), 0.5f, 1e-5f);

    controller.onMouseScrolled(1000.0);
    EXPECT_NEAR(camera.position.z, 300.0f, 1e-3f);
    controller.onMouseScrolled(-30.0);
    EXPECT_DOUBLE_EQ(controller.getDistance(), 420.0);
    controller.onMouseScrolled(-1000.0);
    EXPECT_NEAR(camera.position.z, 600.0f, 1e-3f);
}

using GameViewTest = GameTest;

// Drawn objects and triangles are those of the last frame only. Were the copy
// to the window drawn as lines too, the window would be black but for one diagonal.
TEST_F(GameViewTest, StatisticsCountEachFramesDrawsAndWireframeDrawsTheWorldAsLinesAndTheOverlaysFilled)
{
    Statistics* statistics = Statistics::getInstance();
    statistics->frameCounter = statistics->framesPerSecond = 0;
    statistics->secondAccumulator = 0.0;
    std::uint32_t drawn[2] = {};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(statistics->framesPerSecond, 0u);
        drawn[i % 2] = statistics->renderedObjects;
        step(0.3); // the fourth frame ends the first second, with margin for the clock
    }
    EXPECT_EQ(statistics->framesPerSecond, 4u);
    EXPECT_EQ(statistics->frameCounter, 0u);
    EXPECT_GT(statistics->renderedTriangles, planet->faces.size());
    EXPECT_EQ(statistics->renderedObjects, drawn[1]);
    EXPECT_GT(drawn[1], 0u);

    statistics->overlayVisible = true;
    step(0.02);
    const std::vector<unsigned char> filled = scenetest::readWindow();
    statistics->toggleWireframe();
    step(0.02);
    const std::vector<unsigned char> lines = scenetest::readWindow();
    const int left = scenetest::WINDOW_WIDTH / 2 - 100, top = scenetest::WINDOW_HEIGHT / 2 - 50;
    const Texture* panel = statistics->panelTexture;
    ASSERT_TRUE(panel && panel->width > 0 && panel->height > 0);
    auto brightness = [&](const std::vector<unsigned char>& frame, bool inPanel) {
        return scenetest::channelSum(inPanel ? scenetest::meanColour(frame, 2, 2, panel->width - 4, panel->height - 4)
                                             : scenetest::meanColour(frame, left, top, 200, 200));
    };
    EXPECT_GT(brightness(filled, false), 250.0);
    const double edges = brightness(lines, false);
    EXPECT_TRUE(edges > 10.0 && edges < 120.0) << edges;
    EXPECT_GT(brightness(lines, true), 50.0);
}

// Three renders: the tower's pixels change the ground, the sign's the tower.
TEST_F(GameViewTest, FullTowerShowsBesideItsSignOnSmallAndLargePlanets)
{
    auto differs = [](const unsigned char* a, const unsigned char* b) {
        return std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]) > 60;
    };
    auto dominant = [](const unsigned char* p, int channel) {
        return p[channel] > p[(channel + 1) % 3] + 40 && p[channel] > p[(channel + 2) % 3] + 40;
    };
    for (int size : {3, 6}) {
        SCOPED_TRACE("planet size " + std::to_string(size));
        planetSize = size, TearDown(), SetUp();
        glfwSetCursorPos(Window::getInstance()->getHandle(), 2.0, 2.0); // sky: nothing hovered
        step(0.1);
        Tower* tower = towerOf(humanPlayer);
        TextureBillboard* sign = tower->getStatusBillboard();
        ASSERT_TRUE(tower->isFull() && sign->visible);
        ASSERT_EQ(sign->getTextures().front(), tower->fullTexture);

        const std::vector<unsigned char> both = renderScene();
        testkit::savePng("full_sign_size" + std::to_string(size) + ".png", 800, 600, both);
        sign->visible = false;
        const std::vector<unsigned char> towerOnly = renderScene();
        tower->visible = false;
        const std::vector<unsigned char> ground = renderScene();

        int towerPixels = 0, towerShown = 0, towerRed = 0, signPixels = 0, signGreen = 0;
        for (std::size_t i = 0; i < both.size(); i += 4) {
            const bool isTower = differs(&towerOnly[i], &ground[i]), isSign = differs(&both[i], &towerOnly[i]);
            towerPixels += isTower;
            towerShown += isTower && !isSign;
            towerRed += isTower && !isSign && dominant(&both[i], 0);
            signPixels += isSign;
            signGreen += isSign && dominant(&both[i], 1);
        }
        ASSERT_GT(towerPixels, 50);
        EXPECT_GT(towerShown, towerPixels * 6 / 10) << towerShown << " of " << towerPixels << " tower pixels shown";
        EXPECT_GT(towerRed, towerShown / 2) << "the tower shows in its owner's red";
        EXPECT_GT(signGreen, 15) << "the sign shows in its own green";
        // Its badge covers about a fifth of the sign's 7 world units squared.
        Camera* camera = game->getCamera();
        const glm::vec4 centre = camera->getView() * glm::vec4(sign->node->getWorldPosition(), 1.0f);
        const float width = 7.0f * camera->getProjection()[0][0] / -centre.z * 400.0f;
        EXPECT_NEAR(signPixels / (width * width), 0.225, 0.045)
            << signPixels << " sign pixels for 7 units of " << width;
    }
}

} // namespace
} // namespace BV
