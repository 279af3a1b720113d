// Where the planet's faces are a few pixels each, it is shaded once per
// pixel from a buffer of face numbers. The picture must be the rasterised
// one: terrain, relief, borders, both sides' territory, fog, the sun's
// shadows, the outlines over the surface and the towers standing in it.
#include <string>
#include <vector>

#include <glm/glm.hpp>

#include "game/CameraController.h"
#include "game/GameFixture.h"
#include "game/MilitaryBuilding.h"
#include "support/ImageCompare.h"

namespace BV {
namespace {

class FaceNumbersTest : public testkit::GameFixture {
protected:
    // The frame shaded one way; fromNumbers says which way it really was.
    testkit::Image render(Planet::Shading shading, bool& fromNumbers)
    {
        planet->shading = shading;
        testkit::Image image{scenetest::WINDOW_WIDTH, scenetest::WINDOW_HEIGHT, renderScene()};
        fromNumbers = planet->shadedFromFaceNumbers();
        planet->shading = Planet::Shading::Automatic;
        return image;
    }

    // Both ways, within a whisker of each other.
    void expectSamePicture(const char* name)
    {
        SCOPED_TRACE(name);
        bool fromNumbers = true;
        const testkit::Image faces = render(Planet::Shading::Rasterised, fromNumbers);
        EXPECT_FALSE(fromNumbers);
        const testkit::Image numbers = render(Planet::Shading::FromFaceNumbers, fromNumbers);
        EXPECT_TRUE(fromNumbers);
        testkit::savePng(std::string("face_numbers_") + name + ".png", numbers.width, numbers.height, numbers.rgba);
        const testkit::ImageDifference d = testkit::compareImages(faces, numbers, 16);
        EXPECT_LE(d.worstMeanAbsolute, 0.25);
        EXPECT_LE(d.shareBeyond, 0.001);
    }
};

TEST_F(FaceNumbersTest, ShadingFromFaceNumbersKeepsTheRasterisedPicture)
{
    // The computer's tower inside the human's land: both territories, the
    // band between them and the computer's stripes in view.
    step(0.1);
    Tile* inside = emptyOwnTile();
    ASSERT_TRUE(inside);
    game->createTower(inside, computerPlayer, true);
    step(0.1);
    // Outlines on two tiles beside home.
    std::vector<std::uint32_t> around;
    planet->tiles[towerOf(humanPlayer)->tile.index].getNeighbours(around);
    const auto outline = [&] {
        planet->hoveredTile = static_cast<std::int32_t>(around.at(0));
        planet->selectedTile = static_cast<std::int32_t>(around.at(3));
        planet->setHover(around.at(0));
        planet->setSelection(around.at(3));
    };
    outline();
    expectSamePicture("start");
    // Low sun: long tower shadows and the planet's own shadow in view.
    game->getScene()->getSunNode()->rotate(glm::vec3(0.0f, 1.0f, 0.0f), 1.3f);
    game->getCameraController()->onMouseScrolled(1000.0);
    step(0.1);
    outline();
    expectSamePicture("zoomed_low_sun");
}

TEST_F(FaceNumbersTest, AutomaticShadingPicksTheNumbersWhereFacesAreAFewPixelsAndFollowsTheTarget)
{
    struct Case {
        const char* name;
        int width; // of the scene's target; the height follows the window's shape
        bool wireframe;
        bool fromNumbers;
    };
    const Case cases[] = {
        {"faces of many pixels", scenetest::WINDOW_WIDTH, false, false},
        {"faces of a few pixels", 96, false, true},
        {"wireframe sees through the planet", 96, true, false},
        {"and back", scenetest::WINDOW_WIDTH, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Statistics::getInstance()->wireframe = c.wireframe;
        game->getScene()->setTargetSize(c.width, c.width * scenetest::WINDOW_HEIGHT / scenetest::WINDOW_WIDTH);
        step(0.1);
        Statistics::getInstance()->wireframe = false;
        EXPECT_EQ(planet->shadedFromFaceNumbers(), c.fromNumbers);
    }
    // The numbers' target was made small above; at full size again it
    // follows, and the picture is whole.
    expectSamePicture("after_resize");
}

} // namespace
} // namespace BV
