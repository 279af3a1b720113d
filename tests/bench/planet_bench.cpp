// Prints, for each supported planet size, how long the planet takes to
// build, how long one nearest-tile search takes, and how long the claim of a
// new tower's territory (radius 3) takes.

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include <glm/glm.hpp>

#include "game/MilitaryBuilding.h"
#include "game/Planet.h"
#include "game/Player.h"
#include "game/Territory.h"

using namespace BV;

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

glm::vec3 randomPointOnSphere(float radius)
{
    glm::vec3 v;
    do {
        v = glm::vec3(rand(), rand(), rand()) / static_cast<float>(RAND_MAX) * 2.0f - 1.0f;
    } while (glm::dot(v, v) < 1e-4f || glm::dot(v, v) > 1.0f);
    return glm::normalize(v) * radius;
}

} // namespace

int main()
{
    std::printf("%5s %9s %9s %12s %14s %12s\n", "level", "tiles", "faces", "build ms", "search us", "claim us");
    unsigned long long sink = 0;
    for (std::uint16_t level = Planet::kMinSize; level <= Planet::kMaxSize; ++level) {
        srand(42);
        Clock::time_point start = Clock::now();
        Planet planet(level, 200.0f);
        const double buildMs = millisecondsSince(start);

        // About the same total work at every size.
        const int searches = static_cast<int>(20000000 / planet.tiles.size()) + 10;
        std::vector<glm::vec3> points;
        for (int i = 0; i < searches; ++i) {
            points.push_back(randomPointOnSphere(200.0f));
        }
        start = Clock::now();
        for (const glm::vec3& point : points) {
            sink += planet.getTileIndexAt(point);
        }
        const double searchUs = millisecondsSince(start) * 1000.0 / searches;

        Player human(1, glm::vec3(1, 0, 0), &planet);
        humanPlayer = &human;
        const std::uint32_t home = planet.getTileIndexAt(glm::vec3(0.0f, 0.0f, 200.0f));
        MilitaryBuilding tower(&planet.tiles[home], &human);
        start = Clock::now();
        human.territory->claim(home, 3, &tower);
        const double claimUs = millisecondsSince(start) * 1000.0;
        sink += human.territory->ownedTiles.size();
        humanPlayer = nullptr;

        std::printf("%5u %9zu %9zu %12.2f %14.3f %12.1f\n", static_cast<unsigned>(level), planet.tiles.size(),
                    planet.faces.size(), buildMs, searchUs, claimUs);
    }
    std::printf("(checksum %llu)\n", sink);
    return 0;
}
