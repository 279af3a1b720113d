#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <glm/glm.hpp>

#include "app/Window.h"

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
    // every few frames to save time).
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
    void onKeyReleased(int key, int scancode, int mods) override;

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

private:
    // "planet_size" from the configuration; a size the game or this driver
    // cannot play ends the process with one CRITICAL line.
    static std::uint16_t readPlanetSize();
    void attach(Entity* entity, SceneNode* node);

    void updateStatistics(double dt, double now);
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
    std::int32_t pointedTile = -1;
};

} // namespace BV
