// Prints, for each supported planet size:
// - how long the planet takes to build, and the part of it that sorts the
//   tiles into the tile grid;
// - one nearest-tile search, by the walk over every tile and through the
//   tile grid;
// - the tile work of one frame with 50 swarms in flight: the picking search
//   and, per swarm, the search for the tile under it and whether the human
//   player sees that tile, the old way (walk, then a search of the seen-tile
//   list) and the new way (grid, then the per-tile flag);
// - the claim of a new tower's territory (radius 3): its time, the tiles it
//   changed in the two texture buffers, and the bytes and calls the upload
//   of those changes takes, as one span of indices and in runs.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include <glm/glm.hpp>

#include "game/Dice.h"
#include "game/MilitaryBuilding.h"
#include "game/NPC.h"
#include "game/Planet.h"
#include "game/Player.h"
#include "game/Territory.h"
#include "game/TileGrid.h"

using namespace BV;

namespace {

using Clock = std::chrono::steady_clock;

constexpr float kRadius = 200.0f;
constexpr int kSwarms = 50;

double microsecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

glm::vec3 randomDirection()
{
    glm::vec3 v;
    do {
        v = glm::vec3(rand(), rand(), rand()) / static_cast<float>(RAND_MAX) * 2.0f - 1.0f;
    } while (glm::dot(v, v) < 1e-4f || glm::dot(v, v) > 1.0f);
    return glm::normalize(v);
}

// Microseconds per search over `points`, the best of three rounds.
template <typename Search>
double searchCost(const std::vector<glm::vec3>& points, Search search, unsigned long long& sink)
{
    double best = 1e300;
    for (int round = 0; round < 3; ++round) {
        const Clock::time_point start = Clock::now();
        for (const glm::vec3& point : points) {
            sink += search(point);
        }
        best = std::min(best, microsecondsSince(start) / static_cast<double>(points.size()));
    }
    return best;
}

// One frame's tile work: picking, then each swarm's tile and visibility.
// Microseconds, the best of `frames` frames.
template <typename Search, typename Sees>
double frameCost(const std::vector<glm::vec3>& points, int frames, Search search, Sees sees, unsigned long long& sink)
{
    double best = 1e300;
    for (int frame = 0; frame < frames; ++frame) {
        const std::size_t first = static_cast<std::size_t>(frame) * (kSwarms + 1) % (points.size() - kSwarms);
        const Clock::time_point start = Clock::now();
        sink += search(points[first] * (kRadius / glm::length(points[first])));
        for (std::size_t s = 1; s <= kSwarms; ++s) {
            sink += sees(search(points[first + s])) ? 1 : 0;
        }
        best = std::min(best, microsecondsSince(start));
    }
    return best;
}

struct UploadFigures {
    std::size_t tiles = 0;
    std::size_t spanBytes = 0;
    std::size_t runBytes = 0;
    std::size_t runs = 0;
};

void addUpload(const TextureBuffer& buffer, const std::vector<float>& values, UploadFigures& figures)
{
    const std::vector<TextureBuffer::Run> runs = buffer.pendingRuns(values);
    if (runs.empty()) {
        return;
    }
    figures.spanBytes += (runs.back().end - runs.front().first) * sizeof(float);
    for (const TextureBuffer::Run& run : runs) {
        figures.runBytes += (run.end - run.first) * sizeof(float);
    }
    figures.runs += runs.size();
}

} // namespace

int main()
{
    std::printf("%5s %7s %9s %8s %10s %10s | %10s %10s %7s | %9s %6s %9s %7s %6s\n", "level", "tiles", "build ms",
                "grid ms", "walk us", "grid us", "old fr us", "new fr us", "seen", "claim us", "tiles", "span B",
                "runs B", "calls");
    unsigned long long sink = 0;
    for (std::uint16_t level = Planet::kMinSize; level <= Planet::kMaxSize; ++level) {
        srand(42);
        Dice::seed(42);
        Clock::time_point start = Clock::now();
        Planet planet(level, kRadius);
        const double buildMs = microsecondsSince(start) / 1000.0;
        std::vector<glm::vec3> positions;
        for (const Tile& tile : planet.tiles) {
            positions.push_back(tile.position);
        }
        TileGrid grid;
        start = Clock::now();
        grid.build(positions);
        const double gridMs = microsecondsSince(start) / 1000.0;

        // Searches at the surface (picking) and up to 10 world units above
        // it (swarms between towers).
        std::vector<glm::vec3> points;
        for (int i = 0; i < 4000; ++i) {
            points.push_back(randomDirection() * (kRadius + static_cast<float>(rand() % 1000) * 0.01f));
        }
        const std::vector<glm::vec3> walkPoints(points.begin(), points.begin() + (level >= 8 ? 200 : 2000));
        const double walkUs = searchCost(
            walkPoints, [&planet](const glm::vec3& p) { return planet.getTileIndexAtLinear(p); }, sink);
        const double gridUs = searchCost(
            points, [&planet](const glm::vec3& p) { return planet.getTileIndexAt(p); }, sink);

        // The human player holds a late game's land: 40 towers' claims.
        auto human = std::make_unique<Player>(1, glm::vec3(1, 0, 0), &planet);
        humanPlayer = human.get();
        std::vector<std::unique_ptr<MilitaryBuilding>> towers;
        for (int i = 0; i < 40; ++i) {
            const std::uint32_t tile = planet.getTileIndexAt(randomDirection() * kRadius);
            towers.push_back(std::make_unique<MilitaryBuilding>(&planet.tiles[tile], human.get()));
            human->territory->claim(tile, 3, towers.back().get());
        }
        const Territory& land = *human->territory;
        auto listSees = [&planet, &land](std::uint32_t tile) {
            return planet.tiles[tile].owner == humanPlayer ||
                   std::find(land.visibleTiles.begin(), land.visibleTiles.end(), tile) != land.visibleTiles.end();
        };
        auto flagSees = [&planet, &land](std::uint32_t tile) {
            return planet.tiles[tile].owner == humanPlayer || land.hasSeen(tile);
        };
        const double oldFrameUs = frameCost(
            points, level >= 8 ? 3 : 20, [&planet](const glm::vec3& p) { return planet.getTileIndexAtLinear(p); },
            listSees, sink);
        const double newFrameUs = frameCost(
            points, 50, [&planet](const glm::vec3& p) { return planet.getTileIndexAt(p); }, flagSees, sink);
        const std::size_t seen = land.visibleTiles.size();
        towers.clear();
        human.reset();

        // A new tower's claim on a fresh planet's pole, with its uploads as
        // they would go to GL at the next draw.
        srand(42);
        Dice::seed(42);
        Planet fresh(level, kRadius);
        Player claimant(1, glm::vec3(1, 0, 0), &fresh);
        humanPlayer = &claimant;
        const std::uint32_t home = fresh.getTileIndexAt(glm::vec3(0.0f, 0.0f, kRadius));
        MilitaryBuilding tower(&fresh.tiles[home], &claimant);
        start = Clock::now();
        claimant.territory->claim(home, 3, &tower);
        const double claimUs = microsecondsSince(start);
        UploadFigures upload;
        upload.tiles = claimant.territory->ownedTiles.size() + claimant.territory->visibleTiles.size();
        addUpload(fresh.visibilityBuffer, fresh.visibilityValues, upload);
        addUpload(fresh.ownerBuffer, fresh.ownerValues, upload);
        humanPlayer = nullptr;

        std::printf("%5u %7zu %9.1f %8.1f %10.3f %10.3f | %10.1f %10.1f %7zu | %9.1f %6zu %9zu %7zu %6zu\n",
                    static_cast<unsigned>(level), planet.tiles.size(), buildMs, gridMs, walkUs, gridUs, oldFrameUs,
                    newFrameUs, seen, claimUs, upload.tiles, upload.spanBytes, upload.runBytes, upload.runs);
    }
    delete NPC::getInstance();
    std::printf("walk/grid us: one search; old/new fr us: picking plus %d swarms' tile and visibility, one frame;\n"
                "seen: the human player's seen tiles in that frame; claim tiles: owned plus seen after one claim;\n"
                "span B: bytes one span per buffer uploads; runs B and calls: the uploads in runs.\n"
                "(checksum %llu)\n",
                kSwarms, sink);
    return 0;
}
