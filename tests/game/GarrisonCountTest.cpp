// The garrison count beside the tower under the pointer and the selected
// tower, read back from the frame: which towers get one, its digits, that it
// sits beside its tower and that the cursor leaves it uncovered.
#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "game/PixelScene.h"

namespace BV {
namespace {

using scenetest::WINDOW_HEIGHT;
using scenetest::WINDOW_WIDTH;

// A stand-in for the counts' digits, 240 x 32, whose cells (24 pixels each)
// are each one flat colour: red 10 for digit 0, 30 for 1 and so on, green
// 200, blue 0.
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

// Every count in the frame. Along a row a count is a chain of touching runs
// of digit colours; each cell starts `step` pixels after the last, so a run
// of one digit repeated n times is about step n pixels long. A count's rows
// all read the same; a chain needs most of the rows of a cell to count.
std::vector<Count> readCounts(const std::vector<unsigned char>& frame)
{
    Statistics* statistics = Statistics::getInstance();
    const int step = static_cast<int>(statistics->countWidth(10) - statistics->countWidth(1));
    const int cell = static_cast<int>(statistics->countWidth(1));
    std::map<std::pair<int, std::string>, std::pair<int, int>> chains; // (left, digits) -> (rows, sum of rows)
    for (int y = 0; y < WINDOW_HEIGHT; ++y) {
        int x = 0;
        while (x < WINDOW_WIDTH) {
            if (digitAt(frame, x, y) < 0) {
                ++x;
                continue;
            }
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
            auto& chain = chains[{left, digits}];
            chain.first += 1;
            chain.second += y;
        }
    }
    std::vector<Count> counts;
    for (const auto& [key, rows] : chains) {
        if (rows.first >= statistics->countHeight() * 0.7f) {
            const float width = static_cast<float>((key.second.size() - 1) * step + cell);
            counts.push_back({key.second,
                              {static_cast<float>(key.first) + width * 0.5f,
                               static_cast<float>(rows.second) / static_cast<float>(rows.first)}});
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
        // A seen enemy tower a little left of the human's home, and a second
        // human tower on the far side of the planet; garrisons that hold still.
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

    // Window pixels of the tower's middle.
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

// The enemy's count shows with nothing selected though the enemy is not
// hovered (a click there does nothing), and the cursor's image, which hangs
// down to the right of the pointer, never covers a count.
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
        if (c.pointedAt) {
            ASSERT_EQ(game->getPointedTile(), static_cast<std::int32_t>(c.pointedAt->tile.index));
        }
        if (!c.selected && c.pointedAt == enemy) {
            EXPECT_EQ(planet->hoveredTile, -1);
        }
        const std::vector<unsigned char> frame =
            c.expected.size() == 2 ? saved("garrison_counts.png", scenetest::readWindow()) : scenetest::readWindow();

        std::vector<Count> counts = readCounts(frame);
        std::sort(counts.begin(), counts.end(), [](const Count& a, const Count& b) { return a.centre.x < b.centre.x; });
        ASSERT_EQ(counts.size(), c.expected.size());
        for (std::size_t i = 0; i < counts.size(); ++i) {
            EXPECT_EQ(counts[i].digits, c.expected[i].first);
            // Left of its tower, level with its middle.
            const glm::vec2 tower = screenOf(c.expected[i].second);
            EXPECT_LT(counts[i].centre.x, tower.x);
            EXPECT_GT(counts[i].centre.x, tower.x - 80.0f);
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
