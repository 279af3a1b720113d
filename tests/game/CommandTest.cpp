// The player's mouse commands: which tiles may be hovered with which cursor,
// and what a left click then does.
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include "game/GameFixture.h"
#include "game/Planet.h"
#include "game/Player.h"
#include "game/Territory.h"
#include "game/Tower.h"
#include "scene/Cursor.h"

namespace BV {
namespace {

class CommandTest : public testkit::GameFixture {
protected:
    void SetUp() override
    {
        GameFixture::SetUp();
        step(0.01); // the start towers finish and claim their land
        planet = game->getPlanet();
        home = dynamic_cast<Tower*>(humanPlayer->buildings.front());
        enemy = dynamic_cast<Tower*>(computerPlayer->buildings.front());
    }

    // Hovers the tile as the frame would, with the cursor reset first.
    std::int32_t hover(std::uint32_t tile)
    {
        Cursor::getInstance()->mode = Cursor::DEFAULT;
        game->applyHoverRules(tile);
        return planet->hoveredTile;
    }

    void click(int button = GLFW_MOUSE_BUTTON_LEFT) { game->onMouseButtonReleased(button, {0, 0}, 0); }

    std::uint32_t emptyOwnTile(std::uint32_t type) const
    {
        for (std::uint32_t index : humanPlayer->territory->ownedTiles) {
            if (!planet->tiles[index].building && (type == 0) == (planet->tiles[index].type == 0)) {
                return index;
            }
        }
        return UINT32_MAX;
    }

    Planet* planet = nullptr;
    Tower* home = nullptr;
    Tower* enemy = nullptr;
};

TEST_F(CommandTest, WithNothingSelectedOnlyOwnFinishedTowersCanBeHoveredAndSelected)
{
    const std::uint32_t tile = home->tile.index;
    EXPECT_EQ(hover(enemy->tile.index), -1);
    EXPECT_EQ(hover(emptyOwnTile(1)), -1);
    EXPECT_EQ(Cursor::getInstance()->mode, Cursor::DEFAULT);

    EXPECT_EQ(hover(tile), static_cast<std::int32_t>(tile));
    EXPECT_EQ(Cursor::getInstance()->mode, Cursor::SELECT);
    click(GLFW_MOUSE_BUTTON_RIGHT); // only the left button commands
    EXPECT_EQ(planet->selectedTile, -1);
    click();
    EXPECT_EQ(planet->selectedTile, static_cast<std::int32_t>(tile));

    Tower* rising = game->createTower(&planet->tiles[emptyOwnTile(1)], humanPlayer, false);
    planet->selectedTile = -1;
    EXPECT_EQ(hover(rising->tile.index), -1); // still under construction
}

TEST_F(CommandTest, FullSelectedTowerMayBuildOnOwnLandButNotOnWater)
{
    const std::uint32_t site = emptyOwnTile(1);
    ASSERT_NE(site, UINT32_MAX);
    hover(home->tile.index);
    click();
    home->setUnitCount(199);
    EXPECT_EQ(hover(site), -1);
    home->setUnitCount(200);
    EXPECT_EQ(hover(site), static_cast<std::int32_t>(site));
    EXPECT_EQ(Cursor::getInstance()->mode, Cursor::BUILD);
    const std::uint32_t water = emptyOwnTile(0);
    if (water != UINT32_MAX) {
        EXPECT_EQ(hover(water), -1);
        hover(site);
    }
    click();
    EXPECT_EQ(home->units, 40);
    EXPECT_EQ(planet->selectedTile, -1);
}

TEST_F(CommandTest, VisibleEnemyTowerIsAttackedWithHalfAndTheSelectionStays)
{
    hover(home->tile.index);
    click();
    EXPECT_EQ(hover(enemy->tile.index), -1); // not seen yet
    enemy->visible = true;
    EXPECT_EQ(hover(enemy->tile.index), static_cast<std::int32_t>(enemy->tile.index));
    EXPECT_EQ(Cursor::getInstance()->mode, Cursor::ATTACK);
    home->setUnitCount(200);
    click();
    EXPECT_EQ(home->units, 100);
    click();
    EXPECT_EQ(home->units, 50);
    EXPECT_EQ(planet->selectedTile, static_cast<std::int32_t>(home->tile.index));
}

TEST_F(CommandTest, ClickingAnotherOwnTowerMovesTheSelection)
{
    hover(home->tile.index);
    click();
    Tower* second = game->createTower(&planet->tiles[emptyOwnTile(1)], humanPlayer, true);
    step(0.01);
    EXPECT_EQ(hover(second->tile.index), static_cast<std::int32_t>(second->tile.index));
    EXPECT_EQ(Cursor::getInstance()->mode, Cursor::SELECT);
    click();
    EXPECT_EQ(planet->selectedTile, static_cast<std::int32_t>(second->tile.index));
}

} // namespace
} // namespace BV
