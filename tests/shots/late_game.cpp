// Photographs a late game for the README: both sides own a handful of towers
// whose territories meet across the planet's equator, an attack is in flight,
// and the player points at an enemy tower from a selected one of their own.
// The game is set up by script on a fixed seed with an exact clock, so every
// run gives the same picture. Run from the build's run directory, under X
// (xvfb-run works):
//   cd build/run && xvfb-run -a ../tests/shot_late_game late-game.png

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <FreeImage.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <vector>

#include <glm/glm.hpp>

#include "app/ConfigFile.h"
#include "app/Window.h"
#include "game/CameraController.h"
#include "game/Game.h"
#include "game/Planet.h"
#include "game/Player.h"
#include "game/Tower.h"
#include "resources/Loaders.h"
#include "scene/Camera.h"
#include "scene/Drawing.h"
#include "scene/Scene.h"
#include "scene/SceneNode.h"
#include "support/ProgramWindow.h"

using namespace BV;

namespace {

constexpr int width = 1280;
constexpr int height = 720;
constexpr float pi = 3.14159265f;

// The game on an exact clock: every frame lasts a tenth of a second.
class Script {
public:
    explicit Script(Game& game) : game(game), now(game.getLastTime()) {}

    void run(double seconds)
    {
        for (double left = seconds; left > 1e-9; left -= 0.1) {
            now += 0.1;
            glfwSetTime(now);
            game.frame();
        }
    }

    // A finished tower of owner on the free land tile nearest the direction
    // (degrees away from the owner's pole towards +x, then towards +y).
    Tower* tower(Player* owner, float fromPole, float sideways, std::uint16_t units)
    {
        const float a = fromPole * pi / 180.0f;
        const float b = sideways * pi / 180.0f;
        const float pole = owner == humanPlayer ? 1.0f : -1.0f;
        const glm::vec3 direction(std::sin(a) * std::cos(b), std::sin(b), pole * std::cos(a) * std::cos(b));
        Planet* planet = game.getPlanet();
        const std::uint32_t nearest = planet->getTileIndexAt(direction * Game::planetRadius);
        std::vector<std::uint32_t> candidates;
        planet->tiles[nearest].getNeighbours(candidates);
        candidates.insert(candidates.begin(), nearest);
        for (std::uint32_t index : candidates) {
            Tile& tile = planet->tiles[index];
            if (!tile.building && tile.type != 0) {
                Tower* built = game.createTower(&tile, owner, true);
                run(0.1); // stands and claims its land
                built->setUnitCount(units);
                return built;
            }
        }
        return nullptr;
    }

    // Window pixels of a world point.
    glm::vec2 screenOf(const glm::vec3& world)
    {
        Camera* camera = game.getCamera();
        const glm::vec4 clip = camera->getProjection() * camera->getView() * glm::vec4(world, 1.0f);
        return {(clip.x / clip.w * 0.5f + 0.5f) * width, (0.5f - clip.y / clip.w * 0.5f) * height};
    }

private:
    Game& game;
    double now;
};

bool savePng(const char* path)
{
    std::vector<unsigned char> rgba(static_cast<std::size_t>(width) * height * 4);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    FIBITMAP* image = FreeImage_Allocate(width, height, 24);
    for (int y = 0; y < height; ++y) {
        BYTE* row = FreeImage_GetScanLine(image, y); // bottom row first, as GL reads
        for (int x = 0; x < width; ++x) {
            const unsigned char* p = &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
            row[x * 3 + FI_RGBA_RED] = p[0];
            row[x * 3 + FI_RGBA_GREEN] = p[1];
            row[x * 3 + FI_RGBA_BLUE] = p[2];
        }
    }
    const bool saved = FreeImage_Save(FIF_PNG, image, path) != 0;
    FreeImage_Unload(image);
    return saved;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: shot_late_game <png path>\n");
        return 1;
    }
    testkit::configureGame(4, width, height);
    if (!testkit::openProgramWindow(width, height, "Brevamoor late game")) {
        return 1;
    }
    auto* game = new Game(Window::getInstance(), 11);
    game->getRenderScale().fix(1.0);
    Script script(*game);
    script.run(0.1);

    // Both sides have spread from their poles towards the equator at +x.
    struct Spot {
        float fromPole, sideways;
        std::uint16_t units;
    };
    const Spot humanSpots[] = {{28, -6, 200}, {48, 18, 120}, {55, -22, 164}, {76, 2, 185}, {74, 28, 60}};
    const Spot computerSpots[] = {{30, 8, 140}, {50, -16, 200}, {62, 20, 90}, {80, -4, 150}, {82, -28, 70}};
    std::vector<Tower*> human, computer;
    for (const Spot& s : humanSpots) {
        human.push_back(script.tower(humanPlayer, s.fromPole, s.sideways, s.units));
    }
    for (const Spot& s : computerSpots) {
        computer.push_back(script.tower(computerPlayer, s.fromPole, s.sideways, s.units));
    }

    // The camera swings round to the front, a little from the north, and
    // comes closer.
    Node* pivot = game->getCamera()->getParent();
    pivot->rotate(glm::vec3(0.0f, 1.0f, 0.0f), 1.35f);
    pivot->rotate(glm::vec3(1.0f, 0.0f, 0.0f), -0.25f);
    game->getCameraController()->onMouseScrolled(15.0);
    // Midday over the front.
    game->getScene()->getSunNode()->rotate(glm::vec3(0.0f, 1.0f, 0.0f), 1.6f);
    script.run(2.0);

    // An attack on its way across the border; the player has the nearest
    // tower selected and points at the enemy tower facing it.
    Tower* attacker = human[3];
    Tower* target = computer[3];
    if (attacker && target) {
        attacker->attack(target, game);
        game->getPlanet()->selectedTile = static_cast<std::int32_t>(attacker->tile.index);
        script.run(0.1);
        // The picking hits the ground: point at the tower's foot.
        const glm::vec2 pointer = script.screenOf(target->tile.position);
        glfwSetCursorPos(Window::getInstance()->getHandle(), pointer.x, pointer.y);
    }
    script.run(1.2);
    const bool saved = savePng(argv[1]);
    std::printf("%s %s\n", saved ? "saved" : "could not save", argv[1]);
    delete game;
    return saved ? 0 : 1;
}
