// How a real game reads on screen: the night side of the planet stays
// readable, and the two sides' land and towers differ without colour.
// The frames are saved as PNGs; the figures are printed for the record.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <glm/glm.hpp>

#include "game/Building.h"
#include "game/GameFixture.h"
#include "game/Tower.h"
#include "scene/PlanetHalo.h"

namespace BV {
namespace {

constexpr int kWidth = 800; // the shared window, as GameFixture configures the game
constexpr int kHeight = 600;

// A colour in 0 to 255 per channel.
using Colour = glm::dvec3;
using scenetest::luma;
using scenetest::patch;

// CIE L*a*b* of an sRGB colour under D65: distances in it follow what the
// eye tells apart (about 2 is just noticeable, above 10 plainly different).
glm::dvec3 lab(const Colour& c)
{
    auto linear = [](double v) {
        v /= 255.0;
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    const glm::dvec3 l(linear(c.r), linear(c.g), linear(c.b));
    const glm::dvec3 xyz(0.4124 * l.r + 0.3576 * l.g + 0.1805 * l.b, 0.2126 * l.r + 0.7152 * l.g + 0.0722 * l.b,
                         0.0193 * l.r + 0.1192 * l.g + 0.9505 * l.b);
    auto f = [](double t) { return t > 0.008856 ? std::cbrt(t) : 7.787 * t + 16.0 / 116.0; };
    const double fx = f(xyz.x / 0.95047), fy = f(xyz.y), fz = f(xyz.z / 1.08883);
    return {116.0 * fy - 16.0, 500.0 * (fx - fy), 200.0 * (fy - fz)};
}

double deltaE(const Colour& a, const Colour& b)
{
    return glm::length(lab(a) - lab(b));
}

// A game on a terrain with all five types about equally often, with the
// mouse off the planet so that no hover outline lights a tile.
class ReadabilityTest : public testkit::GameFixture {
protected:
    void SetUp() override
    {
        planetSize = 4; // tiles small enough for a few dozen of each kind in view
        GameFixture::SetUp();
        for (Tile& tile : planet->tiles) {
            if (!tile.building) { // every terrain equally often, scattered; drawn by the first frame
                tile.type = ((tile.index * 2654435761u) >> 16) % 5;
            }
        }
        glfwSetCursorPos(Window::getInstance()->getHandle(), 0.0, 0.0);
    }

    // Two more of the player's towers, standing left and right of home, for
    // a wide stretch of own land.
    void widenHome()
    {
        for (float side : {-1.0f, 1.0f}) {
            const glm::vec3 at(side * 200.0f * std::sin(0.45f), 0.0f, 200.0f * std::cos(0.45f));
            game->createTower(&planet->tiles[planet->getTileIndexAt(at)], humanPlayer, true);
        }
    }

    // Whether a tower or its sign may cover the tile.
    bool nearTower(const Tile& tile) const
    {
        for (Building* building : game->getBuildings()) {
            if (glm::distance(building->tile.position, tile.position) < 25.0f) {
                return true;
            }
        }
        return false;
    }

    // Whether the tile turns at least `minimum` (cosine) towards the camera.
    bool facesCamera(const Tile& tile, float minimum) const
    {
        const glm::vec3 eye = game->getCamera()->getWorldPosition();
        return glm::dot(tile.normal, glm::normalize(eye - tile.position)) >= minimum;
    }
};

// The sun circles the planet about once a minute. Half a turn after noon
// over the player's home, the same tiles must keep 40 % of their daylight
// luminance, the five terrains must stay apart and the border must stand out
// from the land as much as by day.
TEST_F(ReadabilityTest, NightSideKeepsTerrainTerritoryAndBorderReadable)
{
    widenHome();
    step(0.02); // noon over the player's home: the towers stand and claim their land
    const std::vector<unsigned char> day = scenetest::readWindow();
    testkit::savePng("readability_day.png", kWidth, kHeight, day);
    step(3.14159265 / 0.1); // the sun turns 0.1 radians per second
    const std::vector<unsigned char> night = scenetest::readWindow();
    testkit::savePng("readability_night.png", kWidth, kHeight, night);

    // Tiles: own (owned by the player) and seen (in view, nobody's), away
    // from the towers and their signs.
    double dayLuma[2] = {0, 0}, nightLuma[2] = {0, 0};
    int count[2] = {0, 0};
    Colour dayTerrain[5] = {}, nightTerrain[5] = {};
    int terrainCount[5] = {};
    for (const Tile& tile : planet->tiles) {
        if (!facesCamera(tile, 0.5f) || planet->visibilityValues[tile.index] < 0.8f || nearTower(tile)) {
            continue;
        }
        const int kind = tile.owner == humanPlayer ? 0 : 1;
        const glm::vec2 at = toScreen(tile.position);
        const Colour byDay = patch(day, at, 2), byNight = patch(night, at, 2);
        dayLuma[kind] += luma(byDay);
        nightLuma[kind] += luma(byNight);
        ++count[kind];
        if (kind == 0) {
            dayTerrain[tile.type] += byDay;
            // The sun's glint on owned water stays blue: nowhere near the
            // tile's middle are all three channels bright, as on snow.
            for (int i = 0; tile.type == 0 && i < 17 * 17; ++i) {
                const scenetest::Pixel p = scenetest::pixelOf(day, int(at.x) + i % 17 - 8, int(at.y) + i / 17 - 8);
                EXPECT_LT(std::min({p.r, p.g, p.b}), 100) << "water tile " << tile.index;
            }
            nightTerrain[tile.type] += byNight;
            ++terrainCount[tile.type];
        }
    }
    const char* kinds[2] = {"own", "seen"};
    for (int kind = 0; kind < 2; ++kind) {
        SCOPED_TRACE(kinds[kind]);
        ASSERT_GE(count[kind], 8);
        const double ratio = nightLuma[kind] / dayLuma[kind];
        std::printf("%s tiles (%d): mean luma by day %.1f, by night %.1f, ratio %.2f\n", kinds[kind], count[kind],
                    dayLuma[kind] / count[kind], nightLuma[kind] / count[kind], ratio);
        EXPECT_GE(ratio, 0.4);
        EXPECT_LE(ratio, 0.8) << "day and night must look different";
    }

    // Pairwise distances between the terrains' mean colours on own land.
    double nearestDay = 1e9, nearestNight = 1e9;
    for (int a = 0; a < 5; ++a) {
        ASSERT_GE(terrainCount[a], 2) << "terrain " << a;
        dayTerrain[a] /= terrainCount[a];
        nightTerrain[a] /= terrainCount[a];
    }
    for (int a = 0; a < 5; ++a) {
        for (int b = a + 1; b < 5; ++b) {
            const double byDay = deltaE(dayTerrain[a], dayTerrain[b]);
            const double byNight = deltaE(nightTerrain[a], nightTerrain[b]);
            std::printf("terrains %d and %d: distance (CIE76) by day %.1f, by night %.1f\n", a, b, byDay, byNight);
            nearestDay = std::min(nearestDay, byDay);
            nearestNight = std::min(nearestNight, byNight);
        }
    }
    std::printf("nearest terrains: distance by day %.1f, by night %.1f\n", nearestDay, nearestNight);
    EXPECT_GE(nearestNight, 12.0) << "plainly different, above 10";
    // The player's red over water must not turn it the moor's violet: owned
    // water (0) and moor (3) lie at least as far apart as the middle one of
    // the nine other pairs, by day and by night.
    for (const Colour* terrain : {dayTerrain, nightTerrain}) {
        std::vector<double> others;
        for (int a = 0; a < 5; ++a) {
            for (int b = a + 1; b < 5; ++b) {
                if (a != 0 || b != 3) {
                    others.push_back(deltaE(terrain[a], terrain[b]));
                }
            }
        }
        std::nth_element(others.begin(), others.begin() + 4, others.end());
        EXPECT_GE(deltaE(terrain[0], terrain[3]), others[4]) << (terrain == dayTerrain ? "day" : "night");
    }

    // The border: just inside the player's edge against the tile's own middle.
    double dayBorder = 0.0, nightBorder = 0.0;
    int edges = 0;
    for (std::uint32_t index : humanPlayer->territory->ownedTiles) {
        const Tile& tile = planet->tiles[index];
        std::vector<std::uint32_t> neighbours;
        tile.getNeighbours(neighbours);
        for (std::uint32_t other : neighbours) {
            const Tile& outside = planet->tiles[other];
            if (outside.owner == humanPlayer || !facesCamera(tile, 0.5f) || !facesCamera(outside, 0.5f)) {
                continue;
            }
            const glm::vec2 band = toScreen(glm::mix(tile.position, outside.position, 0.465f));
            const glm::vec2 middle = toScreen(glm::mix(tile.position, outside.position, 0.25f));
            dayBorder += deltaE(patch(day, band, 1), patch(day, middle, 1));
            nightBorder += deltaE(patch(night, band, 1), patch(night, middle, 1));
            ++edges;
        }
    }
    ASSERT_GE(edges, 8);
    std::printf("border (%d edges): distance from the land inside by day %.1f, by night %.1f\n", edges,
                dayBorder / edges, nightBorder / edges);
    EXPECT_GE(nightBorder, 0.95 * dayBorder);
}

// Without colour the two sides must still read apart. The same tiles and
// the same towers, drawn once as the player's and once as the computer's,
// must differ clearly in a greyscale frame.
TEST_F(ReadabilityTest, OwnersDifferInGreyscale)
{
    widenHome();
    step(0.02);
    Tower* towers[2] = {towerOf(humanPlayer, 1), towerOf(humanPlayer, 2)};
    // Land in view that the player has seen and nobody owns, to be drawn as
    // either side's.
    std::vector<const Tile*> land;
    for (const Tile& tile : planet->tiles) {
        if (tile.owner == nullptr && planet->visibilityValues[tile.index] == 0.8f && facesCamera(tile, 0.5f)) {
            land.push_back(&tile);
        }
    }
    ASSERT_GE(land.size(), 20u);
    // Draws the scene alone (no overlay, no game update) in greyscale.
    auto draw = [&](const char* name, float landOwner, Player* first, Player* second, bool towersShown) {
        for (const Tile* tile : land) {
            planet->setOwnerValue(tile->index, landOwner);
        }
        towers[0]->owner = first;
        towers[1]->owner = second;
        towers[0]->visible = towers[1]->visible = towersShown;
        std::vector<unsigned char> frame = renderScene();
        testkit::savePng(std::string("readability_") + name + ".png", kWidth, kHeight, frame);
        for (std::size_t i = 0; i < frame.size(); i += 4) {
            const auto grey = static_cast<unsigned char>(luma(Colour(frame[i], frame[i + 1], frame[i + 2])) + 0.5);
            frame[i] = frame[i + 1] = frame[i + 2] = grey;
        }
        return frame;
    };
    const std::vector<unsigned char> players = draw("players", 1.0f, humanPlayer, computerPlayer, true);
    const std::vector<unsigned char> computers = draw("computers", 2.0f, computerPlayer, humanPlayer, true);
    const std::vector<unsigned char> nobodys = draw("nobodys", 0.0f, humanPlayer, humanPlayer, false);
    towers[0]->owner = towers[1]->owner = humanPlayer;
    testkit::savePng("readability_grey_players.png", kWidth, kHeight, players);
    testkit::savePng("readability_grey_computers.png", kWidth, kHeight, computers);

    double grey[3] = {0, 0, 0}; // the player's, the computer's, nobody's
    for (const Tile* tile : land) {
        const glm::vec2 at = toScreen(tile->position);
        grey[0] += patch(players, at, 3).r / static_cast<double>(land.size());
        grey[1] += patch(computers, at, 3).r / static_cast<double>(land.size());
        grey[2] += patch(nobodys, at, 3).r / static_cast<double>(land.size());
    }
    const double landContrast = std::fabs(grey[0] - grey[1]) / std::max(grey[0], grey[1]);
    std::printf("land in grey (%zu tiles): the player's %.1f, the computer's %.1f, nobody's %.1f; contrast %.2f\n",
                land.size(), grey[0], grey[1], grey[2], landContrast);
    EXPECT_GE(landContrast, 0.15);

    // A tower's pixels: those around it that change when it is drawn.
    double towerGrey[2] = {0, 0}; // the player's, the computer's
    for (int t = 0; t < 2; ++t) {
        const Tile& site = towers[t]->tile;
        const glm::vec2 centre = toScreen(site.position + site.normal * 10.0f);
        const std::vector<unsigned char>& asPlayers = t == 0 ? players : computers;
        const std::vector<unsigned char>& asComputers = t == 0 ? computers : players;
        double sum[2] = {0, 0};
        int count = 0;
        for (int y = static_cast<int>(centre.y) - 40; y <= static_cast<int>(centre.y) + 40; ++y) {
            for (int x = static_cast<int>(centre.x) - 40; x <= static_cast<int>(centre.x) + 40; ++x) {
                const double p = patch(asPlayers, {x, y}, 0).r, c = patch(asComputers, {x, y}, 0).r;
                const double none = patch(nobodys, {x, y}, 0).r;
                if (std::fabs(p - none) > 8.0 || std::fabs(c - none) > 8.0) {
                    sum[0] += p;
                    sum[1] += c;
                    ++count;
                }
            }
        }
        ASSERT_GE(count, 200) << "tower " << t;
        towerGrey[0] += sum[0] / count / 2.0;
        towerGrey[1] += sum[1] / count / 2.0;
    }
    const double towerContrast = std::fabs(towerGrey[0] - towerGrey[1]) / std::max(towerGrey[0], towerGrey[1]);
    std::printf("towers in grey: the player's %.1f, the computer's %.1f; contrast %.2f\n", towerGrey[0], towerGrey[1],
                towerContrast);
    EXPECT_GE(towerContrast, 0.45);
}

// The game's halo knows the planet it surrounds: its brightest ring lies on
// the planet's outline, seen from where the game starts.
TEST_F(ReadabilityTest, GamesHaloRingsThePlanetsOutline)
{
    step(0.02);
    auto render = [this](bool haloShown) {
        game->getHalo()->visible = haloShown;
        return renderScene();
    };
    const std::vector<unsigned char> without = render(false);
    const std::vector<unsigned char> with = render(true);
    // Where the planet's outline crosses the row through the centre: the
    // point of the sphere that the camera's line of sight grazes.
    const float d = glm::length(game->getCamera()->getWorldPosition()), r = Game::planetRadius;
    const float outline = toScreen({r * std::sqrt(d * d - r * r) / d, 0.0f, r * r / d}).x;
    int ring = 0;
    double peak = 0.0;
    for (int x = kWidth / 2; x < kWidth - 2; ++x) {
        const double glow = luma(patch(with, {x, kHeight / 2}, 2)) - luma(patch(without, {x, kHeight / 2}, 2));
        if (glow > peak) {
            peak = glow;
            ring = x;
        }
    }
    EXPECT_NEAR(ring, outline, 4.0);
    EXPECT_GT(peak, 60.0);
}

} // namespace
} // namespace BV
