// How a real game reads on screen: by night, without colour, in the halo's light, and in its garrison counts.
#include <algorithm>
#include <cmath>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "game/Building.h"
#include "game/CameraController.h"
#include "game/PixelScene.h"
#include "scene/PlanetHalo.h"

namespace BV {
namespace {

using Colour = glm::dvec3; // 0 to 255 per channel
using scenetest::luma;
using scenetest::patch;

// CIE L*a*b* of an sRGB colour under D65: distances follow what the eye tells apart (2 just noticeable, 10 plainly).
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

double contrast(double a, double b)
{
    return std::fabs(a - b) / std::max(a, b);
}

// A game on a terrain with all five types about equally often; the mouse off the planet, so no hover outline shows.
class ReadabilityTest : public testkit::PixelGame {
protected:
    void SetUp() override
    {
        planetSize = 4; // tiles small enough for a few dozen of each kind in view
        PixelGame::SetUp();
        for (Tile& tile : planet->tiles) {
            if (!tile.building) { // every terrain equally often, scattered; drawn by the first frame
                tile.type = ((tile.index * 2654435761u) >> 16) % 5;
            }
        }
        glfwSetCursorPos(Window::getInstance()->getHandle(), 0.0, 0.0);
    }

    // Two more of the player's towers, left and right of home, for a wide stretch of own land, at noon over home.
    std::vector<Tower*> widenHome()
    {
        const float side = 200.0f * std::sin(0.45f), ahead = 200.0f * std::cos(0.45f);
        return place({{humanPlayer, {-side, 0.0f, ahead}}, {humanPlayer, {side, 0.0f, ahead}}});
    }

    bool nearTower(const Tile& tile) const
    {
        const auto& buildings = game->getBuildings();
        return std::any_of(buildings.begin(), buildings.end(), [&](const Building* building) {
            return glm::distance(building->tile.position, tile.position) < 25.0f;
        });
    }

    bool facesCamera(const Tile& tile, float least = 0.5f) const
    {
        const glm::vec3 eye = game->getCamera()->getWorldPosition();
        return glm::dot(tile.normal, glm::normalize(eye - tile.position)) >= least;
    }
};

// The sun circles the planet about once a minute. Half a turn after noon over home, the same tiles keep 40 % of their
// daylight luminance, the five terrains stay apart and the border stands out from the land as much as by day.
TEST_F(ReadabilityTest, NightSideKeepsTerrainTerritoryAndBorderReadable)
{
    widenHome();
    const std::vector<unsigned char> day = saved("readability_day.png", scenetest::readWindow());
    step(3.14159265 / 0.1); // the sun turns 0.1 radians per second
    const std::vector<unsigned char> night = saved("readability_night.png", scenetest::readWindow());
    const auto both = [&](const glm::vec2& at, int half) {
        return std::pair(patch(day, at, half), patch(night, at, half));
    };

    // Tiles own (the player's), seen (in view, nobody's) and never seen, away from towers and signs; by day, by night.
    double lumas[3][2] = {}; // [own, seen, never seen][day, night]
    int count[3] = {};
    Colour terrain[2][5] = {}; // [day, night][type], on own land
    int terrainCount[5] = {};
    for (const Tile& tile : planet->tiles) {
        const int kind = tile.owner == humanPlayer ? 0 : planet->visibilityValues[tile.index] >= 0.8f ? 1 : 2;
        if (!facesCamera(tile, kind == 2 ? 0.35f : 0.5f) || nearTower(tile)) { // few unseen tiles face us squarely
            continue;
        }
        const glm::vec2 at = toScreen(tile.position);
        const auto [byDay, byNight] = both(at, 2);
        lumas[kind][0] += luma(byDay);
        lumas[kind][1] += luma(byNight);
        ++count[kind];
        if (kind == 0) {
            terrain[0][tile.type] += byDay;
            terrain[1][tile.type] += byNight;
            ++terrainCount[tile.type];
            // The sun's glint on owned water stays blue: nowhere near its middle are all channels bright, as on snow.
            for (int i = 0; tile.type == 0 && i < 17 * 17; ++i) {
                const scenetest::Pixel p = scenetest::pixelOf(day, int(at.x) + i % 17 - 8, int(at.y) + i / 17 - 8);
                EXPECT_LT(std::min({p.r, p.g, p.b}), 100) << "water tile " << tile.index;
            }
        }
    }
    for (int kind = 0; kind < 3; ++kind) {
        ASSERT_GE(count[kind], 8) << "own, seen, never seen: " << kind;
        lumas[kind][0] /= count[kind];
        lumas[kind][1] /= count[kind];
    }
    // By day own land is brightest, land once seen dimmer, never seen darkest; by night own and seen keep 40 % of it.
    EXPECT_GT(lumas[0][0], 1.2 * lumas[1][0]);
    EXPECT_GT(lumas[1][0], 1.8 * lumas[2][0]);
    for (int kind = 0; kind < 2; ++kind) {
        EXPECT_GE(lumas[kind][1], 0.4 * lumas[kind][0]) << kind;
        EXPECT_LE(lumas[kind][1], 0.8 * lumas[kind][0]) << kind << ": day and night must look different";
    }

    // The terrains on own land plainly apart by night; owned water (0) no nearer the moor's violet (3) than the middle
    // one of the nine other pairs.
    ASSERT_GE(*std::min_element(std::begin(terrainCount), std::end(terrainCount)), 2) << "a terrain out of view";
    for (int time = 0; time < 2; ++time) {
        SCOPED_TRACE(time == 0 ? "day" : "night");
        const auto apart = [&](int a, int b) {
            return deltaE(terrain[time][a] / double(terrainCount[a]), terrain[time][b] / double(terrainCount[b]));
        };
        std::vector<double> others;
        for (int pair = 0; pair < 25; ++pair) {
            if (pair / 5 < pair % 5 && pair != 3) {
                others.push_back(apart(pair / 5, pair % 5));
            }
        }
        std::sort(others.begin(), others.end());
        const double nearest = std::min(others[0], apart(0, 3));
        EXPECT_GE(nearest, time == 1 ? 12.0 : 0.0) << "plainly different, above 10";
        EXPECT_GE(apart(0, 3), others[4]);
    }

    // The border: just inside the player's edge against the tile's own middle.
    double border[2] = {}; // by day, by night
    int edges = 0;
    std::vector<std::uint32_t> neighbours;
    for (std::uint32_t index : humanPlayer->territory->ownedTiles) {
        const Tile& tile = planet->tiles[index];
        tile.getNeighbours(neighbours);
        for (std::uint32_t other : neighbours) {
            const Tile& outside = planet->tiles[other];
            if (outside.owner != humanPlayer && facesCamera(tile) && facesCamera(outside)) {
                const auto band = both(toScreen(glm::mix(tile.position, outside.position, 0.465f)), 1);
                const auto middle = both(toScreen(glm::mix(tile.position, outside.position, 0.25f)), 1);
                border[0] += deltaE(band.first, middle.first);
                border[1] += deltaE(band.second, middle.second);
                ++edges;
            }
        }
    }
    ASSERT_GE(edges, 8);
    EXPECT_GE(border[1], 0.95 * border[0]);
}

// Without colour the two sides must still read apart. The same tiles and the same towers, drawn once as the player's
// and once as the computer's, must differ clearly in a greyscale frame.
TEST_F(ReadabilityTest, OwnersDifferInGreyscale)
{
    const std::vector<Tower*> towers = widenHome();
    // Land in view that the player has seen and nobody owns, to be drawn as either side's.
    std::vector<const Tile*> land;
    for (const Tile& tile : planet->tiles) {
        if (tile.owner == nullptr && planet->visibilityValues[tile.index] == 0.8f && facesCamera(tile)) {
            land.push_back(&tile);
        }
    }
    ASSERT_GE(land.size(), 20u);
    // The scene alone (no overlay, no game update); its greys are the luma of its colours.
    auto draw = [&](const char* name, float landOwner, Player* first, Player* second, bool towersShown) {
        for (const Tile* tile : land) {
            planet->setOwnerValue(tile->index, landOwner);
        }
        towers[0]->owner = first;
        towers[1]->owner = second;
        towers[0]->visible = towers[1]->visible = towersShown;
        return saved(std::string("readability_") + name + ".png", renderScene());
    };
    const std::vector<unsigned char> frames[3] = {draw("players", 1.0f, humanPlayer, computerPlayer, true),
                                                  draw("computers", 2.0f, computerPlayer, humanPlayer, true),
                                                  draw("nobodys", 0.0f, humanPlayer, humanPlayer, false)};
    towers[0]->owner = towers[1]->owner = humanPlayer;
    const auto grey = [&](int side, const glm::vec2& at, int half) { return luma(patch(frames[side], at, half)); };

    double landGrey[3] = {};
    for (const Tile* tile : land) {
        for (int side = 0; side < 3; ++side) {
            landGrey[side] += grey(side, toScreen(tile->position), 3) / static_cast<double>(land.size());
        }
    }
    EXPECT_GE(contrast(landGrey[0], landGrey[1]), 0.15);

    // A tower's pixels: those around it that change when it is drawn.
    glm::dvec2 towerGrey(0.0); // the player's, the computer's
    for (int t = 0; t < 2; ++t) {
        const glm::vec2 centre = toScreen(towers[t]->tile.position + towers[t]->tile.normal * 10.0f);
        glm::dvec2 sum(0.0);
        int count = 0;
        for (int i = 0; i < 81 * 81; ++i) {
            const glm::vec2 at(int(centre.x) + i % 81 - 40, int(centre.y) + i / 81 - 40);
            const double p = grey(t, at, 0), c = grey(1 - t, at, 0), none = grey(2, at, 0);
            const bool drawn = std::fabs(p - none) > 8.0 || std::fabs(c - none) > 8.0;
            sum += drawn ? glm::dvec2(p, c) : glm::dvec2(0.0);
            count += drawn ? 1 : 0;
        }
        ASSERT_GE(count, 200) << "tower " << t;
        towerGrey += sum / (2.0 * count);
    }
    EXPECT_GE(contrast(towerGrey[0], towerGrey[1]), 0.45);
}

// The halo, drawn without depth at the planet's centre, rings the outline at the nearest and the farthest zoom and
// stays faint over the face.
TEST_F(ReadabilityTest, GamesHaloRingsThePlanetsOutlineAtEveryZoom)
{
    game->getCameraController()->onMouseScrolled(100.0); // nearest, where a 4:3 window shows no outline
    for (const double scroll : {-12.5, -100.0}) {        // 50 units out, then the farthest
        SCOPED_TRACE(scroll);
        game->getCameraController()->onMouseScrolled(scroll);
        step(0.02);
        std::vector<unsigned char> frames[2]; // without, with the halo
        for (int shown = 0; shown < 2; ++shown) {
            game->getHalo()->visible = shown == 1;
            frames[shown] = saved("readability_halo_" + std::to_string(shown) + ".png", renderScene());
        }
        // Where the outline crosses the row through the centre: the point of the sphere the line of sight grazes.
        const float d = glm::length(game->getCamera()->getWorldPosition()), r = Game::planetRadius;
        const float outline = toScreen({r * std::sqrt(d * d - r * r) / d, 0.0f, r * r / d}).x;
        ASSERT_LT(outline, scenetest::WINDOW_WIDTH - 10) << "the outline must be on screen";
        const auto glow = [&](int x) {
            const glm::vec2 at(x, scenetest::WINDOW_HEIGHT / 2);
            return luma(patch(frames[1], at, 2)) - luma(patch(frames[0], at, 2));
        };
        int ring = 0;
        double peak = 0.0, face = 0.0;
        for (int x = scenetest::WINDOW_WIDTH / 2; x < scenetest::WINDOW_WIDTH - 2; ++x) {
            const double g = glow(x);
            ring = g > peak ? x : ring;
            peak = std::max(peak, g);
            face = x < (scenetest::WINDOW_WIDTH / 2 + outline) / 2 ? std::max(face, g) : face; // the face: inner half
        }
        EXPECT_NEAR(ring, outline, 4.0);
        EXPECT_GT(peak, 60.0);
        EXPECT_LT(face, peak / 10.0);
    }
}

using scenetest::WINDOW_HEIGHT;
using scenetest::WINDOW_WIDTH;

// A stand-in for the counts' digits, 240 x 32: digit d's cell (24 pixels) is flat (20 d + 10, 200, 0).
scenetest::Pixel atlasColour(int x, int)
{
    return {x / 24 * 20 + 10, 200, 0};
}

int digitAt(const std::vector<unsigned char>& frame, int x, int y)
{
    const scenetest::Pixel p = scenetest::pixelOf(frame, x, y);
    return p.g == 200 && p.b == 0 && p.r % 20 == 10 ? p.r / 20 : -1;
}

struct Count {
    std::string digits;
    glm::vec2 centre; // window pixels
};

// Every count in the frame, left to right. Along a row a count is a chain of touching runs of digit colours, each cell
// `step` pixels after the last; a chain needs most of the rows of a cell to count.
std::vector<Count> readCounts(const std::vector<unsigned char>& frame)
{
    Statistics* statistics = Statistics::getInstance();
    const int step = static_cast<int>(statistics->countWidth(10) - statistics->countWidth(1));
    const int cell = static_cast<int>(statistics->countWidth(1));
    std::map<std::pair<int, std::string>, glm::ivec2> chains; // (left, digits) -> (rows, sum of rows)
    for (int y = 0; y < WINDOW_HEIGHT; ++y) {
        for (int x = 0; x < WINDOW_WIDTH; ++x) { // a chain ends on a pixel of no digit, which the loop steps over
            const int left = x;
            std::string digits;
            for (int d; x < WINDOW_WIDTH && (d = digitAt(frame, x, y)) >= 0;) {
                const int start = x;
                while (x < WINDOW_WIDTH && digitAt(frame, x, y) == d) {
                    ++x;
                }
                digits.append(static_cast<std::size_t>(std::max(1, (x - start - cell + step + step / 2) / step)),
                              static_cast<char>('0' + d));
            }
            if (!digits.empty()) {
                chains[{left, digits}] += glm::ivec2(1, y);
            }
        }
    }
    std::vector<Count> counts;
    for (const auto& [key, rows] : chains) {
        if (rows.x >= statistics->countHeight() * 0.7f) {
            const float width = static_cast<float>((key.second.size() - 1) * step + cell);
            counts.push_back(
                {key.second, {static_cast<float>(key.first) + width * 0.5f, float(rows.y) / float(rows.x)}});
        }
    }
    return counts;
}

class GarrisonCountTest : public testkit::PixelGame {
protected:
    void SetUp() override
    {
        PixelGame::SetUp();
        step(0.1);
        // A fresh overlay: one made before the loaders existed has no program.
        delete Statistics::getInstance();
        statistics = Statistics::getInstance();
        savedAtlas = statistics->countTexture;
        static Texture* atlas = scenetest::flatTexture("garrison_test_atlas.tex", 240, 32, atlasColour);
        statistics->countTexture = atlas;
        // A seen enemy tower left of home and a human tower on the far side, their garrisons held still.
        const std::vector<Tower*> towers =
            place({{computerPlayer, {-110.0f, 0.0f, 167.0f}, 87}, {humanPlayer, {0.0f, -190.0f, -62.0f}, 53}}, 0.01);
        enemy = towers[0];
        farSide = towers[1];
        human = towerOf(humanPlayer);
        human->productionInterval = 1e6f;
        human->setUnitCount(160);
    }

    void TearDown() override
    {
        statistics->countTexture = savedAtlas;
        PixelGame::TearDown();
    }

    glm::vec2 screenOf(const Tower* tower) const
    {
        return toScreen(tower->tile.position + tower->tile.normal * tower->getHeight() * 0.5f);
    }

    Statistics* statistics = nullptr;
    Texture* savedAtlas = nullptr;
    Tower* human = nullptr;
    Tower* enemy = nullptr;
    Tower* farSide = nullptr;
};

// The enemy's count shows with nothing selected though the enemy is not hovered (a click there does nothing), and the
// cursor's image, which hangs down to the right of the pointer, never covers a count.
TEST_F(GarrisonCountTest, PointedAndSelectedTowersShowTheirGarrisonBesideThemUncovered)
{
    const struct {
        const char* name;
        Tower* selected;
        Tower* pointedAt; // null: the sky
        glm::vec2 offset; // of the pointer from the tower's middle, pixels
        bool enemySeen;
        std::vector<std::pair<std::string, Tower*>> expected; // left to right
    } cases[] = {
        {"nothing pointed at or selected", nullptr, nullptr, {}, true, {}},
        {"own tower hovered", nullptr, human, {}, true, {{"160", human}}},
        {"own tower selected, pointer on the sky", human, nullptr, {}, true, {{"160", human}}},
        {"seen enemy hovered from a selected tower", human, enemy, {}, true, {{"87", enemy}, {"160", human}}},
        {"unseen enemy under the pointer", human, enemy, {}, false, {{"160", human}}},
        {"selected tower behind the planet", farSide, nullptr, {}, true, {}},
        {"seen enemy under the pointer, nothing selected", nullptr, enemy, {}, true, {{"87", enemy}}},
        {"pointer where the enemy's count would stand", nullptr, enemy, {-50.0f, -6.0f}, true, {{"87", enemy}}},
    };
    GLFWwindow* window = Window::getInstance()->getHandle();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        planet->selectedTile = c.selected ? static_cast<std::int32_t>(c.selected->tile.index) : -1;
        enemy->visible = c.enemySeen;
        const glm::vec2 pointer = c.pointedAt ? screenOf(c.pointedAt) + c.offset : glm::vec2(2.0f, 2.0f);
        glfwSetCursorPos(window, pointer.x, pointer.y);
        step(0.01);
        if (!c.selected && c.pointedAt == enemy) {
            EXPECT_EQ(planet->hoveredTile, -1);
        }
        const std::vector<unsigned char> frame =
            c.expected.size() == 2 ? saved("garrison_counts.png", scenetest::readWindow()) : scenetest::readWindow();

        const std::vector<Count> counts = readCounts(frame);
        ASSERT_EQ(counts.size(), c.expected.size());
        for (std::size_t i = 0; i < counts.size(); ++i) {
            EXPECT_EQ(counts[i].digits, c.expected[i].first);
            const glm::vec2 tower = screenOf(c.expected[i].second);
            EXPECT_NEAR(counts[i].centre.x, tower.x - 40.0f, 40.0f) << "left of the tower";
            EXPECT_NEAR(counts[i].centre.y, tower.y, 4.0f);
            const glm::vec2 half(statistics->countWidth(c.expected[i].second->units) * 0.5f,
                                 statistics->countHeight() * 0.5f);
            const glm::vec2 low = counts[i].centre - half, high = counts[i].centre + half;
            EXPECT_TRUE(high.x <= pointer.x || high.y <= pointer.y || low.x >= pointer.x + 32.0f ||
                        low.y >= pointer.y + 32.0f)
                << "under the cursor";
        }
    }
}

} // namespace
} // namespace BV
