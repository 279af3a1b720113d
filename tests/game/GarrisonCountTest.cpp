// The garrison count beside the hovered and the selected tower, read back
// from the frame: which towers get one, its digits, and that it sits beside
// its tower.
#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "game/GameFixture.h"

namespace BV {
namespace {

using scenetest::WINDOW_HEIGHT;
using scenetest::WINDOW_WIDTH;

// A stand-in for the overlay's value atlas, 200 x 50, whose digit cells (the
// top row, 20 pixels each) are each one flat colour: red 10 for digit 0, 30
// for 1 and so on, green 200, blue 0. Every other cell is black.
scenetest::Pixel atlasColour(int x, int y)
{
    return y >= 40 ? scenetest::Pixel{x / 20 * 20 + 10, 200, 0} : scenetest::Pixel{0, 0, 0};
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
// of digit colours; cells overlap by 4 pixels, so a run of one digit
// repeated n times is about 16 n pixels long. A count's rows all read the
// same; a chain needs most of the 14 rows of a cell to count.
std::vector<Count> readCounts(const std::vector<unsigned char>& frame)
{
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
                digits.append(static_cast<std::size_t>(std::max(1, (x - start + 4) / 16)), static_cast<char>('0' + d));
            }
            auto& chain = chains[{left, digits}];
            chain.first += 1;
            chain.second += y;
        }
    }
    std::vector<Count> counts;
    for (const auto& [key, rows] : chains) {
        if (rows.first >= 10) {
            const float width = static_cast<float>(key.second.size()) * 16.0f + 4.0f;
            counts.push_back({key.second,
                              {static_cast<float>(key.first) + width * 0.5f,
                               static_cast<float>(rows.second) / static_cast<float>(rows.first)}});
        }
    }
    return counts;
}

class GarrisonCountTest : public testkit::GameFixture {
protected:
    void SetUp() override
    {
        GameFixture::SetUp();
        step(0.1);
        // A fresh overlay: one made before the loaders existed has no program.
        delete Statistics::getInstance();
        statistics = Statistics::getInstance();
        savedAtlas = statistics->fieldsTexture;
        static Texture* atlas = scenetest::flatTexture("garrison_test_atlas.tex", 200, 50, atlasColour);
        statistics->fieldsTexture = atlas;
        human = towerOf(humanPlayer);
        // A seen enemy tower a little left of the human's home, and a second
        // human tower on the far side of the planet.
        enemy = game->createTower(&planet->tiles[planet->getTileIndexAt(glm::vec3(-110.0f, 0.0f, 167.0f))],
                                  computerPlayer, true);
        farSide = game->createTower(&planet->tiles[planet->getTileIndexAt(glm::vec3(0.0f, -190.0f, -62.0f))],
                                    humanPlayer, true);
        step(0.01);
        for (Tower* tower : {human, enemy, farSide}) {
            tower->productionInterval = 1e6f; // the garrisons hold still
        }
        human->setUnitCount(160);
        enemy->setUnitCount(87);
        farSide->setUnitCount(53);
    }

    void TearDown() override
    {
        statistics->fieldsTexture = savedAtlas;
        GameFixture::TearDown();
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

TEST_F(GarrisonCountTest, HoveredAndSelectedTowersShowTheirGarrisonBesideThem)
{
    const struct {
        const char* name;
        Tower* selected;
        Tower* pointedAt; // null: the sky
        bool enemySeen;
        std::vector<std::pair<std::string, Tower*>> expected; // left to right
    } cases[] = {
        {"nothing hovered or selected", nullptr, nullptr, true, {}},
        {"own tower hovered", nullptr, human, true, {{"160", human}}},
        {"own tower selected, pointer on the sky", human, nullptr, true, {{"160", human}}},
        {"seen enemy hovered from a selected tower", human, enemy, true, {{"87", enemy}, {"160", human}}},
        {"unseen enemy under the pointer", human, enemy, false, {{"160", human}}},
        {"selected tower behind the planet", farSide, nullptr, true, {}},
    };
    GLFWwindow* window = Window::getInstance()->getHandle();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        planet->selectedTile = c.selected ? static_cast<std::int32_t>(c.selected->tile.index) : -1;
        enemy->visible = c.enemySeen;
        const glm::vec2 pointer = c.pointedAt ? screenOf(c.pointedAt) : glm::vec2(2.0f, 2.0f);
        glfwSetCursorPos(window, pointer.x, pointer.y);
        step(0.01);
        const std::vector<unsigned char> frame = scenetest::readWindow();
        if (c.expected.size() == 2) {
            testkit::savePng("garrison_counts.png", WINDOW_WIDTH, WINDOW_HEIGHT, frame);
        }

        std::vector<Count> counts = readCounts(frame);
        std::sort(counts.begin(), counts.end(), [](const Count& a, const Count& b) { return a.centre.x < b.centre.x; });
        ASSERT_EQ(counts.size(), c.expected.size());
        for (std::size_t i = 0; i < counts.size(); ++i) {
            EXPECT_EQ(counts[i].digits, c.expected[i].first);
            // Left of its tower, level with its middle.
            const glm::vec2 tower = screenOf(c.expected[i].second);
            EXPECT_LT(counts[i].centre.x, tower.x);
            EXPECT_GT(counts[i].centre.x, tower.x - 60.0f);
            EXPECT_NEAR(counts[i].centre.y, tower.y, 4.0f);
        }
    }
}

} // namespace
} // namespace BV
