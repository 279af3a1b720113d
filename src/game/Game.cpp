#include "game/Game.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include "app/BoundingBox.h"
#include "app/ConfigFile.h"
#include "app/Log.h"
#include "game/CameraController.h"
#include "game/Dice.h"
#include "game/NPC.h"
#include "game/Planet.h"
#include "game/Player.h"
#include "game/Tower.h"
#include "resources/Material.h"
#include "resources/ResourceManager.h"
#include "resources/ShaderProgram.h"
#include "resources/Texture.h"
#include "scene/Camera.h"
#include "scene/Cursor.h"
#include "scene/Drawing.h"
#include "scene/PlanetHalo.h"
#include "scene/RenderQueue.h"
#include "scene/Scene.h"
#include "scene/SceneNode.h"
#include "scene/SkyBox.h"
#include "scene/Statistics.h"
#include "scene/Sun.h"

namespace BV {

namespace {

Texture* loadTexture(const std::string& name, bool linear)
{
    auto* texture = static_cast<Texture*>(ResourceManager::getInstance()->getResource(name));
    if (!texture) {
        return nullptr;
    }
    if (linear) {
        texture->minFilter = GL_LINEAR;
        texture->magFilter = GL_LINEAR;
    }
    texture->ensureLoadedOrReport();
    return texture;
}

// Where the line from `origin` along the unit vector `direction` first meets
// the planet's sphere, as the distance along it; false when it misses.
bool hitPlanet(const glm::vec3& origin, const glm::vec3& direction, float radius, float& distance)
{
    const float b = glm::dot(origin, direction);
    const float q = glm::dot(origin, origin) - radius * radius;
    const float d = b * b - q;
    if (d <= 0.0f) {
        return false;
    }
    distance = -b - std::sqrt(d);
    return true;
}

// The tile of the nearest visible tower whose body the line from `origin`
// along `direction` meets closer than `limit` (world units), or -1. A body
// is the model's box turned and scaled with the tower as it was last drawn:
// near the planet's limb a tower stands over the tiles behind it, and a
// click on what the player sees as the tower must reach the tower.
std::int32_t towerTileAlong(const std::vector<Building*>& buildings, const glm::vec3& origin,
                            const glm::vec3& direction, float limit)
{
    std::int32_t tile = -1;
    for (Building* building : buildings) {
        if (!building->visible || !building->node) {
            continue;
        }
        // In the model's own frame the body is an axis-aligned box; the
        // line's parameter is the same in both frames.
        const glm::mat4 toModel = glm::inverse(building->node->getWorldMatrix());
        const glm::vec3 localOrigin(toModel * glm::vec4(origin, 1.0f));
        const glm::vec3 localDirection(toModel * glm::vec4(direction, 0.0f));
        float distance = 0.0f;
        if (building->getBoundingBox().enteredAlong(localOrigin, localDirection, distance) && distance < limit) {
            limit = distance;
            tile = static_cast<std::int32_t>(building->tile.index);
        }
    }
    return tile;
}

// The left edge (window pixels) for a label of `size` at `corner` that the
// cursor's image, hanging down to the right of the pointer, leaves
// uncovered: where the image would cover it, the label moves left of the
// pointer with `gap` pixels to spare.
float clearOfCursor(const glm::vec2& corner, const glm::vec2& size, const glm::vec2& pointer, float gap)
{
    const glm::vec2 cursor = Cursor::getInstance()->imageSize();
    const bool covered = corner.x + size.x > pointer.x && corner.x < pointer.x + cursor.x &&
                         corner.y + size.y > pointer.y && corner.y < pointer.y + cursor.y;
    return covered ? pointer.x - gap - size.x : corner.x;
}

// Brings the node's world transform up to date with this frame's local
// transforms of the node and of every node above it. Turning a parent does
// not mark the nodes below it, so the node's own flag cannot tell.
void refreshThroughParents(Node* node)
{
    if (Node* parent = node->getParent()) {
        refreshThroughParents(parent);
    }
    node->refreshWorldTransform();
}

} // namespace

// ---- Construction -----------------------------------------------------------

std::string Game::planetSizeFault(std::uint16_t size, std::int64_t maxBufferTexels)
{
    const std::string prefix = "Unsupported value for planet_size: " + std::to_string(size) + " (";
    if (!Planet::isSupportedSize(size)) {
        return prefix + "supported: " + std::to_string(Planet::kMinSize) + " to " + std::to_string(Planet::kMaxSize) +
               ")";
    }
    // OpenGL 3.3 promises only 65,536 texels, fewer than levels 8 and 9
    // have tiles; beyond the limit the shader would read 0 for the rest.
    const std::uint32_t tiles = Planet::tileCountFor(size);
    if (tiles > maxBufferTexels) {
        return prefix + std::to_string(tiles) + " tiles, but buffer textures on this driver hold " +
               std::to_string(maxBufferTexels) + ")";
    }
    return std::string();
}

std::uint16_t Game::readPlanetSize()
{
    const auto size = ConfigFile::getInstance()->getValue<unsigned short>("planet_size");
    GLint maxBufferTexels = 0;
    glGetIntegerv(GL_MAX_TEXTURE_BUFFER_SIZE, &maxBufferTexels);
    const std::string fault = planetSizeFault(size, maxBufferTexels);
    if (!fault.empty()) {
        Log::getInstance().write(fault, CRITICAL);
        std::exit(1);
    }
    return size;
}

Game::Game(Window* window) : Game(window, Dice::seedFromEnvironment()) {}

Game::Game(Window* window, std::uint32_t seed) : window(window), seed(seed)
{
    Dice::seed(seed);

    camera = new Camera();
    camera->setClipPlanes(0.1f, 3500.0f);
    camera->setFieldOfView(45.0f);
    camera->setProjectionKind(1);
    camera->setViewportSize(static_cast<float>(std::max(1, window->getWidth())),
                            static_cast<float>(std::max(1, window->getHeight())));

    cameraController = new CameraController(camera, 300.0, 600.0, 4.0, 1.0);
    window->addKeyListener(cameraController);
    window->addMouseListener(cameraController);

    renderScale.configureFromEnvironment();
    scene = new Scene(camera);
    // The overlay drawing is shared with whatever drew before this game, at
    // whatever size the window had then.
    followWindowSize();
    shownWidth = std::max(1, shownWidth);
    shownHeight = std::max(1, shownHeight);
    cameraCenter = scene->createSceneNode("CameraCenter");
    cameraCenter->addChild(camera);
    camera->inheritOrientation = true;

    planet = new Planet(readPlanetSize(), planetRadius);
    skyBox = new SkyBox();
    sun = new Sun(200.0f, 200.0f);
    sun->passType = 2;
    sun->sunColour = glm::vec3(1.0f, 0.98f, 0.98f);

    SceneNode* planetNode = scene->createSceneNode();
    attach(planet, planetNode);
    SceneNode* skyNode = scene->createSceneNode();
    attach(skyBox, skyNode);
    attach(sun, scene->getLightNode());

    clock = [] { return glfwGetTime(); };
    lastTime = clock();
    window->addMouseListener(this);
    window->addKeyListener(this);

    for (int i = 0; i < 4; ++i) {
        flareTextures[i] = loadTexture("resources/textures/lensflare/flare" + std::to_string(i + 1) + ".dds", true);
    }

    humanPlayer = new Player(1, glm::vec3(1.0f, 0.0f, 0.0f), planet);
    computerPlayer = new Player(2, glm::vec3(0.0f, 0.0f, 1.0f), planet);
    createTower(&planet->tiles[planet->getTileIndexAt(glm::vec3(0.0f, 0.0f, planetRadius))], humanPlayer, true);
    createTower(&planet->tiles[planet->getTileIndexAt(glm::vec3(0.0f, 0.0f, -planetRadius))], computerPlayer, true);

    Texture* haloTexture =
        static_cast<Texture*>(ResourceManager::getInstance()->getResource("resources/textures/planet_halo.dds"));
    halo = new PlanetHalo(haloTexture, "resources/shader/drawing.frag", "resources/shader/billboard.vert",
                          "TexBillboard.mmat", 580.0f, 580.0f);
    halo->passType = 16;
    halo->visible = true;
    halo->bodyRadius = planetRadius;
    SceneNode* haloNode = scene->createSceneNode();
    attach(halo, haloNode);

    scene->setOccluder(planet);
    // Two world units below the lowest point of the surface: well beyond the
    // depth buffer's resolution at the camera's farthest zoom, so the core
    // never shows through the planet's own surface.
    scene->setOccluderCore(planet->getInnerRadius() - 2.0f);

    NPC* npc = NPC::getInstance();
    npc->player = computerPlayer;
    npc->game = this;
    npc->thinkTimer = 0.0;

    gameOverTexture = loadTexture("resources/textures/gameOver.dds", false);
    gameWonTexture = loadTexture("resources/textures/gameWon.dds", false);
    pausedTexture = loadTexture("resources/textures/ui/paused.dds", true);
    startRuleChecks();
}

// Tears the whole world down; the window (and its GL context) stays.
Game::~Game()
{
    // The window outlives the game: it must not call into it afterwards.
    window->removeMouseListener(this);
    window->removeKeyListener(this);
    window->removeMouseListener(cameraController);
    window->removeKeyListener(cameraController);
    for (Entity* entity : entities) {
        delete entity;
    }
    for (Building* building : buildings) {
        delete building;
    }
    delete halo;
    delete sun;
    delete humanPlayer;
    delete computerPlayer;
    humanPlayer = nullptr;
    computerPlayer = nullptr;
    // The opponent's lists point at the buildings deleted above.
    delete NPC::getInstance();
    delete cameraController;
    delete scene;
    delete planet;
    delete skyBox;
    delete camera;
}

void Game::attach(Entity* entity, SceneNode* node)
{
    node->entity = entity;
    entity->node = node;
}

Tower* Game::createTower(Tile* tile, Player* owner, bool startBuilding)
{
    SceneNode* node = scene->createSceneNode();
    const float scale = std::pow(4.0f / static_cast<float>(readPlanetSize()), 2.0f);
    node->scale = glm::vec3(scale);
    node->markDirty(false);
    auto* tower = new Tower(tile, owner, node, 0.1f, startBuilding ? 199 : 20, startBuilding ? 0.0 : 1.0);
    buildings.push_back(tower);
    return tower;
}

void Game::setClock(std::function<double()> newClock)
{
    clock = std::move(newClock);
    lastTime = clock();
}

void Game::addEntity(Entity* entity, const glm::vec3& position)
{
    SceneNode* node = scene->createSceneNode();
    node->position = position;
    node->markDirty(false);
    attach(entity, node);
    entities.push_back(entity);
}

void Game::removeEntity(Entity* entity)
{
    removals.push_back(entity);
}

// ---- One frame -------------------------------------------------------------

void Game::advance(bool draw)
{
    glfwPollEvents();
    // Nothing can be seen of a minimised window: draw nothing, and wait for
    // events a little instead of spinning through empty frames.
    const bool shown = isShown();
    draw = draw && shown;
    measureFrame(draw);
    followWindowSize();
    readPointer();
    Cursor::getInstance()->mode = Cursor::DEFAULT;
    Statistics* statistics = Statistics::getInstance();
    if (statistics->gameEnded) {
        // Nothing moves any more: only the end screen and the overlays.
        if (draw) {
            glBindFramebuffer(GL_FRAMEBUFFER, 0);
            glViewport(0, 0, shownWidth, shownHeight);
            glDisable(GL_DEPTH_TEST);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        }
    } else {
        const double now = clock();
        const double dt = now - lastTime;
        updateStatistics(dt, now);
        cameraController->update(dt);
        if (!isPaused()) {
            scene->getSunNode()->rotate(glm::vec3(0.0f, 1.0f, 0.0f), 0.1f * static_cast<float>(dt));
        }
        pick();
        if (!isPaused()) {
            simulate(dt);
        }
        scene->update();
        testEndOfGame();
        scene->endStage("update");
        if (draw) {
            scene->render();
            drawLensFlare();
            scene->endStage("lens flare");
            drawGarrisonCounts();
        } else {
            // The requests the update filed would otherwise pile up and
            // outlive the swarms they point to.
            scene->getRenderQueue().clear();
        }
    }
    if (!shown) {
        glfwWaitEventsTimeout(0.05);
    }
    if (!draw) {
        return;
    }
    drawEndScreens();
    if (pausedByPlayer && !statistics->gameEnded) {
        drawPauseSign();
    }
    statistics->draw();
    if (pointerInside) {
        Cursor::getInstance()->draw(pointer.x, pointer.y);
    }
    scene->endStage("overlays");
    glfwSwapBuffers(window->getHandle());
}

// Everything that moves by itself: towers, swarms and the opponent.
void Game::simulate(double dt)
{
    for (Building* building : buildings) {
        building->update(dt);
    }
    processRemovals();
    // Walked by index: an update may add entities (never remove them;
    // removals wait for the next frame).
    for (std::size_t i = 0; i < entities.size(); ++i) {
        entities[i]->update(dt);
    }
    NPC::getInstance()->update(dt);
    gameTime += dt;
}

bool Game::isShown() const
{
    return !window->isIconified() && window->getWidth() > 0 && window->getHeight() > 0;
}

void Game::followWindowSize()
{
    const int width = window->getWidth();
    const int height = window->getHeight();
    const double scale = renderScale.getScale();
    if (width <= 0 || height <= 0 || (width == shownWidth && height == shownHeight && scale == shownScale)) {
        return;
    }
    shownWidth = width;
    shownHeight = height;
    shownScale = scale;
    camera->setViewportSize(static_cast<float>(width), static_cast<float>(height));
    Drawing::getInstance()->setScreenSize(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height));
    scene->setTargetSize(static_cast<int>(std::lround(width * scale)), static_cast<int>(std::lround(height * scale)));
}

// The real time from one drawn frame's start to the next feeds the render
// scale. The game's own clock may be paused or replaced; this one never is.
void Game::measureFrame(bool drawn)
{
    if (!drawn) {
        lastDrawn = -1.0;
        return;
    }
    const double now = std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    if (lastDrawn >= 0.0) {
        renderScale.onFrame(now - lastDrawn);
    }
    lastDrawn = now;
}

// Once a frame, after the events: each reading asks the window system.
void Game::readPointer()
{
    pointer = window->getCursorPosition();
    pointerInside = window->isCursorInside() && pointer.x >= 0.0f && pointer.y >= 0.0f &&
                    pointer.x < static_cast<float>(shownWidth) && pointer.y < static_cast<float>(shownHeight);
}

void Game::updateStatistics(double dt, double now)
{
    Statistics* statistics = Statistics::getInstance();
    statistics->frameCounter += 1;
    statistics->secondAccumulator += dt;
    if (statistics->secondAccumulator >= 1.0) {
        statistics->framesPerSecond = statistics->frameCounter;
        statistics->frameCounter = 0;
        statistics->secondAccumulator = 0.0;
    }
    statistics->renderedObjects = 0;
    statistics->renderedTriangles = 0;
    lastTime = now;
}

// The direction of the ray from the camera through the mouse pointer, in
// world space.
glm::vec3 Game::mouseRay()
{
    const float x = 2.0f * pointer.x / static_cast<float>(shownWidth) - 1.0f;
    const float y = 1.0f - 2.0f * pointer.y / static_cast<float>(shownHeight);
    const glm::vec4 eye = glm::inverse(camera->getProjection()) * glm::vec4(x, y, -1.0f, 1.0f);
    const glm::vec4 world = camera->getWorldMatrix() * glm::vec4(eye.x, eye.y, -1.0f, 0.0f);
    return glm::normalize(glm::vec3(world));
}

// The view may have turned earlier in this frame (held keys, a right-button
// drag turn the pivot above the camera): the ray comes from this frame's pose.
// The tile under the pointer is that of a tower whose body the ray meets
// before the ground, else the tile where it meets the ground.
void Game::pick()
{
    if (!pointerInside) {
        planet->hoveredTile = -1;
        pointedTile = -1;
        return;
    }
    refreshThroughParents(camera);
    const glm::vec3 direction = mouseRay();
    const glm::vec3 origin = camera->getWorldPosition();
    float distance = 0.0f;
    const bool ground = hitPlanet(origin, direction, planetRadius, distance);
    pointedTile = towerTileAlong(buildings, origin, direction, ground ? distance : camera->farPlane);
    if (pointedTile < 0 && ground) {
        pointedTile = static_cast<std::int32_t>(planet->getTileIndexAt(origin + distance * direction));
    }
    if (pointedTile < 0) {
        planet->hoveredTile = -1;
        return;
    }
    applyHoverRules(static_cast<std::uint32_t>(pointedTile));
}

void Game::hover(std::uint32_t tileIndex, std::int32_t cursorMode)
{
    planet->hoveredTile = static_cast<std::int32_t>(tileIndex);
    planet->setHover(tileIndex);
    Cursor::getInstance()->mode = cursorMode;
}

// Only tiles a click could act on are hovered: with nothing selected, the
// player's own finished towers; with a tower selected, visible towers, and
// buildable own tiles once the selected tower is full.
void Game::applyHoverRules(std::uint32_t tileIndex)
{
    const Tile& tile = planet->tiles[tileIndex];
    const Building* building = tile.building;
    const MilitaryBuilding* source = nullptr;
    if (planet->selectedTile >= 0) {
        const Tile& selected = planet->tiles[static_cast<std::size_t>(planet->selectedTile)];
        source = dynamic_cast<const MilitaryBuilding*>(selected.building);
    }
    // A selected tower the computer has captured commands nothing any more;
    // the player may still pick one of their own towers, as with nothing
    // selected (otherwise the selection could never change again).
    if (!source || source->owner != humanPlayer) {
        if (building && building->owner == humanPlayer && !building->isUnderConstruction()) {
            hover(tileIndex, Cursor::SELECT);
        } else {
            planet->hoveredTile = -1;
        }
    } else if (source->isFull() && tile.owner == humanPlayer && tile.type != 0) {
        hover(tileIndex, building ? Cursor::SELECT : Cursor::BUILD);
    } else if (building && building->visible) {
        hover(tileIndex, building->owner == computerPlayer ? Cursor::ATTACK : Cursor::SELECT);
    } else {
        planet->hoveredTile = -1;
    }
}

void Game::processRemovals()
{
    for (Entity* entity : removals) {
        const auto it = std::find(entities.begin(), entities.end(), entity);
        if (it != entities.end()) {
            entities.erase(it);
        }
        // An entity whose node is gone from the scene is not ours to delete.
        if (entity->node && scene->getSceneNode(entity->node->getName()) == entity->node) {
            scene->destroySceneNode(entity->node->getName());
            delete entity;
        }
    }
    removals.clear();
}

void Game::testEndOfGame()
{
    if (humanPlayer->buildings.empty()) {
        endGame();
        lost = true;
    }
    if (computerPlayer->buildings.empty()) {
        endGame();
        won = true;
    }
}

void Game::endGame()
{
    Statistics* statistics = Statistics::getInstance();
    statistics->gameEnded = true;
    statistics->endTime = clock();
    window->removeMouseListener(this);
}

// ---- Overlays ---------------------------------------------------------------

// Six glints on the line from the sun's place on screen through the screen's
// centre, while the sun is on screen and no part of the planet is in front
// of it.
void Game::drawLensFlare()
{
    Node* light = scene->getLightNode();
    light->refreshWorldTransform();
    camera->refreshWorldTransform();
    const glm::vec3 cameraPosition = camera->getWorldPosition();
    const glm::vec3 sunPosition = light->getWorldPosition();
    float distance = 0.0f;
    if (hitPlanet(cameraPosition, glm::normalize(sunPosition - cameraPosition), planetRadius, distance)) {
        return;
    }
    const glm::vec4 clip = camera->getProjection() * camera->getView() * glm::vec4(sunPosition, 1.0f);
    const glm::vec3 ndc = glm::vec3(clip) / clip.w;
    if (!(ndc.z < 1.0f && ndc.x > -1.0f && ndc.x < 1.0f && ndc.y > -1.0f && ndc.y < 1.0f)) {
        return;
    }
    glBlendFunc(GL_ONE, GL_ONE);
    struct Glint {
        int texture;
        float line;
        float size;
    };
    static const Glint glints[6] = {{0, 1.0f, 1.3f}, {1, -0.95f, 0.25f}, {1, -0.7f, 1.5f},
                                    {1, 0.7f, 0.3f}, {2, 0.4f, 0.5f},    {3, -0.25f, 0.5f}};
    const float width = static_cast<float>(shownWidth);
    const float height = static_cast<float>(shownHeight);
    const float base = width * 0.25f;
    for (const Glint& glint : glints) {
        const float centreX = width * (glint.line * ndc.x * 0.5f + 0.5f);
        const float centreY = height * (glint.line * -ndc.y * 0.5f + 0.5f);
        const float size = base * glint.size;
        Drawing::getInstance()->draw(flareTextures[glint.texture], static_cast<std::int32_t>(centreX - size / 2),
                                     static_cast<std::int32_t>(centreY - size / 2), static_cast<std::int32_t>(size),
                                     static_cast<std::int32_t>(size));
    }
}

// The garrison of the tower under the pointer, hovered or not, and of the
// selected one, so the player can look before an attack and tell whether a
// tower can found (it must be full).
void Game::drawGarrisonCounts()
{
    MilitaryBuilding* pointed = countedTower(pointedTile);
    MilitaryBuilding* selected = countedTower(planet->selectedTile);
    if (pointed) {
        drawGarrisonCount(*pointed);
    }
    if (selected && selected != pointed) {
        drawGarrisonCount(*selected);
    }
}

// The tower on the tile whose garrison the player may know: their own, or an
// enemy's that they have seen; null for none.
MilitaryBuilding* Game::countedTower(std::int32_t tileIndex) const
{
    if (tileIndex < 0) {
        return nullptr;
    }
    auto* tower = dynamic_cast<MilitaryBuilding*>(planet->tiles[static_cast<std::size_t>(tileIndex)].building);
    if (!tower || !tower->node || (tower->owner != humanPlayer && !tower->visible)) {
        return nullptr;
    }
    return tower;
}

// Left of the tower, level with its middle: the status badge floats to the
// upper right. The cursor's image hangs down to the right of the pointer;
// where it would cover the count, the count moves left of the pointer.
void Game::drawGarrisonCount(MilitaryBuilding& tower)
{
    // The scene's update has brought every transform up to date this frame.
    // A tower on the far side of the planet is hidden behind it.
    if (glm::dot(tower.tile.normal, camera->getWorldPosition() - tower.tile.position) <= 0.0f) {
        return;
    }
    const float scale = tower.node->getWorldScale().x;
    const BoundingBox box = tower.getBoundingBox();
    const float radius =
        box.isFinite() ? std::max(box.maximum.x - box.minimum.x, box.maximum.z - box.minimum.z) * 0.5f * scale : 0.0f;
    const glm::vec3 middle = tower.node->getWorldPosition() + tower.tile.normal * (tower.getHeight() * scale * 0.5f);
    const glm::vec3 right = glm::normalize(glm::vec3(camera->getWorldMatrix()[0]));
    const glm::mat4 projectionView = camera->getProjection() * camera->getView();
    const glm::vec4 centre = projectionView * glm::vec4(middle, 1.0f);
    const glm::vec4 side = projectionView * glm::vec4(middle - right * radius, 1.0f);
    if (centre.w <= 0.0f || side.w <= 0.0f) {
        return;
    }
    const float width = static_cast<float>(shownWidth);
    const float height = static_cast<float>(shownHeight);
    const float gap = 4.0f; // pixels between the tower and its count
    Statistics* statistics = Statistics::getInstance();
    const float countWidth = statistics->countWidth(tower.units);
    const float countHeight = statistics->countHeight();
    float left = (side.x / side.w * 0.5f + 0.5f) * width - gap - countWidth;
    const float top = (0.5f - centre.y / centre.w * 0.5f) * height - countHeight * 0.5f;
    left = clearOfCursor({left, top}, {countWidth, countHeight}, pointer, gap);
    statistics->drawCount(tower.units, left, top);
}

void Game::drawEndScreens()
{
    if (lost) {
        drawEndScreen(gameOverTexture);
    }
    if (won) {
        drawEndScreen(gameWonTexture);
    }
}

// At full window height, centred, keeping the image's proportions.
void Game::drawEndScreen(Texture* texture)
{
    if (!texture || !texture->isLoaded() || texture->height == 0) {
        return;
    }
    Material* material = Drawing::getInstance()->getMaterial();
    if (!material || !material->program) {
        return;
    }
    glUseProgram(material->program->getHandle());
    const auto windowWidth = static_cast<unsigned>(shownWidth);
    const auto windowHeight = static_cast<unsigned>(shownHeight);
    const double drawnWidth = static_cast<double>(texture->width) * windowHeight / texture->height;
    const double left = (windowWidth - drawnWidth) * 0.5;
    Drawing::getInstance()->drawWith(material, texture, static_cast<std::int32_t>(left), 0,
                                     static_cast<std::int32_t>(drawnWidth), static_cast<std::int32_t>(windowHeight));
}

// Centred a fifth of the way down, at its own size unless the window is
// narrower than the sign.
void Game::drawPauseSign()
{
    if (!pausedTexture || !pausedTexture->isLoaded() || pausedTexture->width == 0) {
        return;
    }
    const float fit = std::min(1.0f, 0.9f * static_cast<float>(shownWidth) / static_cast<float>(pausedTexture->width));
    const float width = static_cast<float>(pausedTexture->width) * fit;
    const float height = static_cast<float>(pausedTexture->height) * fit;
    Drawing::getInstance()->draw(pausedTexture, static_cast<std::int32_t>((static_cast<float>(shownWidth) - width) / 2),
                                 static_cast<std::int32_t>(static_cast<float>(shownHeight) * 0.2f),
                                 static_cast<std::int32_t>(width), static_cast<std::int32_t>(height));
}

// ---- Input --------------------------------------------------------------

void Game::onKeyPressed(int key, int, int mods)
{
    const bool enter = key == GLFW_KEY_ENTER || key == GLFW_KEY_KP_ENTER;
    if (key == GLFW_KEY_F11 || (enter && (mods & GLFW_MOD_ALT) != 0)) {
        window->setFullscreen(!window->isFullscreen());
    } else if (key == GLFW_KEY_P || key == GLFW_KEY_PAUSE) {
        pausedByPlayer = !pausedByPlayer;
    }
}

void Game::onKeyReleased(int key, int, int)
{
    if (key == GLFW_KEY_ESCAPE) {
        glfwSetWindowShouldClose(window->getHandle(), GLFW_TRUE);
    }
}

// The player's commands act on the tile hovered in the previous frame; the
// hover rules already made sure that tile allows the command.
void Game::onMouseButtonReleased(int button, glm::vec2, int)
{
    if (button != GLFW_MOUSE_BUTTON_LEFT || planet->hoveredTile < 0) {
        return;
    }
    Tile& hovered = planet->tiles[static_cast<std::size_t>(planet->hoveredTile)];
    if (planet->selectedTile < 0) {
        if (hovered.building && hovered.owner == humanPlayer) {
            planet->selectHovered();
        }
        return;
    }
    Tile& selected = planet->tiles[static_cast<std::size_t>(planet->selectedTile)];
    auto* source = dynamic_cast<MilitaryBuilding*>(selected.building);
    if (selected.owner == computerPlayer && hovered.building && hovered.owner == humanPlayer) {
        planet->selectHovered();
    }
    if (hovered.owner == computerPlayer) {
        auto* target = dynamic_cast<MilitaryBuilding*>(hovered.building);
        if (source && target) {
            source->attack(target, this);
        }
    } else if (hovered.building) {
        planet->selectHovered();
    } else if (source && source->isFull()) {
        source->build(&hovered, this);
        planet->selectedTile = -1;
    }
}

} // namespace BV
