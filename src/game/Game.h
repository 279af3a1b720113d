#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <glm/glm.hpp>

#include "app/Window.h"
#include "scene/RenderScale.h"

namespace BV {

class Building;
class Camera;
class CameraController;
class Entity;
class MilitaryBuilding;
class Planet;
class PlanetHalo;
class Player;
class Scene;
class SceneNode;
class SkyBox;
class Sun;
class Texture;
struct Tile;
class Tower;

// The running game: builds the world once and advances and draws it once
// per frame. Carries the player's mouse commands and closes the window on
// Escape.
class Game final : public Window::MouseListener, public Window::KeyListener {
public:
    static constexpr float planetRadius = 200.0f; // world units

    // The window, the resource loaders and the overlay drawing must exist.
    // Every chance in the game rolls dice seeded with seed; the first form
    // takes it from BREVAMOOR_SEED or the clock.
    explicit Game(Window* window);
    Game(Window* window, std::uint32_t seed);
    ~Game();
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    // One whole frame, from the event poll to the buffer swap. With draw
    // false the world advances exactly as in a drawn frame, but nothing is
    // drawn and the buffers are not swapped (a self-played game draws only
    // every few frames to save time). With BREVAMOOR_CHECK=1 the frame ends
    // with the rule check (GameRules.cpp).
    void frame(bool draw = true);

    // A new tower of owner on tile; a start tower (startBuilding) stands at
    // once with 199 units, any other rises for a second with 20.
    Tower* createTower(Tile* tile, Player* owner, bool startBuilding);
    // Gives entity a scene node at position (world units) and updates it
    // every frame until it is removed.
    void addEntity(Entity* entity, const glm::vec3& position);
    // Queues entity for removal at the start of the next frame's removals.
    void removeEntity(Entity* entity);

    // Where the game reads the time, in seconds: glfwGetTime unless
    // replaced. Replacing it restarts the frame timing from the new clock's
    // reading, so a driver that advances its own clock by exact steps gets
    // exact dts (glfwGetTime keeps running between glfwSetTime and the read).
    void setClock(std::function<double()> newClock);

    // Decides whether the tile under the mouse may be hovered (only tiles a
    // click could act on are) and which cursor shows; run by every frame.
    void applyHoverRules(std::uint32_t tileIndex);
    // A left-button release acts on the tile hovered in the previous frame.
    void onMouseButtonReleased(int button, glm::vec2 position, int mods) override;
    // F11 and Alt+Enter: full screen and back; P and Pause: pause and go on.
    void onKeyPressed(int key, int scancode, int mods) override;
    void onKeyReleased(int key, int scancode, int mods) override;

    // While paused no simulated time passes: towers, swarms, the sun and the
    // opponent stand still, while the camera turns and commands are taken
    // (their swarms leave once the game goes on). A minimised window pauses
    // the game too, without touching the player's own pause.
    bool isPaused() const { return pausedByPlayer || !isShown(); }
    void setPaused(bool paused) { pausedByPlayer = paused; }
    // Seconds the game itself has run: the clock less every pause.
    double getGameTime() const { return gameTime; }
    // The scale of the window's size the 3D scene is drawn at; it adapts to
    // the real frame time unless fixed (tests and benchmarks fix it).
    RenderScale& getRenderScale() { return renderScale; }

    Planet* getPlanet() const { return planet; }
    Scene* getScene() const { return scene; }
    Camera* getCamera() const { return camera; }
    CameraController* getCameraController() const { return cameraController; }
    const std::vector<Building*>& getBuildings() const { return buildings; }
    PlanetHalo* getHalo() const { return halo; }
    const std::vector<Entity*>& getEntities() const { return entities; }
    // The clock at the start of the last frame (or at construction).
    double getLastTime() const { return lastTime; }
    bool isLost() const { return lost; }
    bool isWon() const { return won; }
    std::uint32_t getSeed() const { return seed; }
    // The tile under the mouse pointer in the last frame, hovered or not
    // (-1: the pointer was on the sky).
    std::int32_t getPointedTile() const { return pointedTile; }

    Planet* planet = nullptr; // owned; read by swarms to find tiles

    // Why a planet of `size` cannot be played when buffer textures hold at
    // most `maxBufferTexels` texels (the planet shader reads one per tile),
    // as the text of the CRITICAL line; empty when it can.
    static std::string planetSizeFault(std::uint16_t size, std::int64_t maxBufferTexels);

    // ---- The game's own consistency (GameRules.cpp) ----
    // The first rule that does not hold between two frames, in words, or ""
    // when all hold: territories and owners agree, every building stands on
    // its tile and in its owner's list with at most a full garrison, swarms
    // fly between live buildings and tiles, the scene holds exactly the
    // nodes of what lives, GL reports no error, and the opponent's lists
    // agree with the board. Reads (and so clears) GL's error flag.
    std::string brokenRule() const;
    // Owners, garrisons, buildings and `frames` folded into one number: the
    // same seed and inputs must give the same hash.
    std::uint64_t stateHash(std::uint64_t frames) const;

private:
    // Counts the nodes that live as long as the game and reads
    // BREVAMOOR_CHECK; at the end of construction.
    void startRuleChecks();
    // One frame without the rule check.
    void advance(bool draw);

    // "planet_size" from the configuration; a size the game or this driver
    // cannot play ends the process with one CRITICAL line.
    static std::uint16_t readPlanetSize();
    void attach(Entity* entity, SceneNode* node);

    void updateStatistics(double dt, double now);
    void simulate(double dt);
    // True while the window shows something: neither minimised nor 0 x 0.
    bool isShown() const;
    // Brings the camera, the overlay drawing and the scene's target to the
    // window's framebuffer size when it has changed.
    void followWindowSize();
    void measureFrame(bool drawn);
    // The pointer in framebuffer pixels, and whether it lies over the
    // window's picture.
    void readPointer();
    void drawPauseSign();
    void pick();
    glm::vec3 mouseRay();
    void hover(std::uint32_t tileIndex, std::int32_t cursorMode);
    void processRemovals();
    void testEndOfGame();
    void endGame();
    void drawLensFlare();
    void drawGarrisonCounts();
    MilitaryBuilding* countedTower(std::int32_t tileIndex) const;
    void drawGarrisonCount(MilitaryBuilding& tower);
    void drawEndScreens();
    void drawEndScreen(Texture* texture);

    CameraController* cameraController = nullptr; // owned
    Scene* scene = nullptr;                       // owned
    Window* window;                               // not owned
    std::uint32_t seed;
    SkyBox* skyBox = nullptr;          // owned
    Camera* camera = nullptr;          // owned
    SceneNode* cameraCenter = nullptr; // the scene's
    double lastTime = 0.0;             // the clock at the start of the previous frame
    double gameTime = 0.0;             // seconds simulated, pauses left out
    bool pausedByPlayer = false;
    int shownWidth = 0; // the framebuffer size the frame was last laid out for
    int shownHeight = 0;
    RenderScale renderScale;
    glm::vec2 pointer{0.0f}; // read once a frame by readPointer
    bool pointerInside = false;
    double shownScale = 1.0; // the scale the scene's target was last sized for
    double lastDrawn = -1.0; // real seconds (steady clock) at the last drawn frame's start; <0: none
    std::function<double()> clock;
    std::array<Texture*, 4> flareTextures{}; // the resource manager's
    bool lost = false;
    bool won = false;
    // Every tower ever created, in creation order; towers are never removed.
    std::vector<Building*> buildings;
    Sun* sun = nullptr;         // lives until the process ends
    PlanetHalo* halo = nullptr; // lives until the process ends
    // Moving things (swarms), in order of addition; owned from addEntity
    // until their removal deletes them.
    std::vector<Entity*> entities;
    std::vector<Entity*> removals;
    Texture* gameOverTexture = nullptr; // the resource manager's
    Texture* gameWonTexture = nullptr;
    Texture* pausedTexture = nullptr;
    std::size_t fixedNodes = 0; // scene nodes of neither buildings nor swarms
    std::uint64_t framesPlayed = 0;
    // Set by BREVAMOOR_CHECK=1: every frame ends with brokenRule, and the
    // first broken rule writes one CRITICAL line.
    bool checkingRules = false;
    std::int32_t pointedTile = -1;
};

} // namespace BV
