// The planet's shading leaves out work whose result it knows: the shadow
// map's taps where the sun stands high and no tower is near. Every frame must
// stay the same, pixel for pixel, as the full shading draws it.
#include <cmath>
#include <string>
#include <vector>

#include <glm/glm.hpp>

#include "game/Building.h"
#include "game/GameFixture.h"
#include "game/MilitaryBuilding.h"
#include "resources/Material.h"
#include "resources/Texture.h"
#include "resources/ShaderProgram.h"
#include "resources/ShaderProgramLoader.h"

namespace BV {
namespace {

// The line of the planet's fragment shader that decides how many shadow-map
// taps a pixel takes.
const char* const kTapsLine = "int taps = facing < SELF_SHADOW_FACING || nearTower ? 9 : 0;";

class ShadingShortcutTest : public testkit::GameFixture, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override
    {
        planetSize = GetParam();
        GameFixture::SetUp();
        // The taps decide the planet's own shadow only while its depth
        // fills the whole shadow map.
        game->getScene()->setWholeOccluderShadow(true);
    }

    // The planet's program with the taps line replaced, or null when the
    // shader no longer has that line.
    ShaderProgram* variant(const std::string& name, const char* taps)
    {
        std::string source = testkit::readFile("resources/shader/planet.frag");
        const std::size_t at = source.find(kTapsLine);
        if (at == std::string::npos) {
            return nullptr;
        }
        source.replace(at, std::string(kTapsLine).size(), taps);
        testkit::writeFile(name, source);
        auto* programs = static_cast<ShaderProgramLoader*>(ResourceManager::getInstance()->getLoader("shdr"));
        ShaderProgram* program = programs->createProgram("resources/shader/planet.vert", name.c_str());
        program->ensureLoaded();
        return program->getHandle() != 0 ? program : nullptr;
    }

    std::vector<unsigned char> renderWith(ShaderProgram* program)
    {
        ShaderProgram* own = planet->material->program;
        planet->material->program = program;
        std::vector<unsigned char> pixels = renderScene();
        planet->material->program = own;
        return pixels;
    }

    static int differing(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b)
    {
        int count = 0;
        for (std::size_t i = 0; i + 3 < a.size(); i += 4) {
            count += a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2] ? 1 : 0;
        }
        return count;
    }
};

// The coarsest planet, whose own facets shade the most, and the finest,
// whose towers are smallest, each with a ring of towers round home; the sun
// goes once round in steps, so the band where it grazes the ground crosses
// the towers and the view.
TEST_P(ShadingShortcutTest, SkippedShadowTapsChangeNoPixel)
{
    for (int i = 0; i < 6; ++i) {
        const float around = 1.047f * static_cast<float>(i);
        const glm::vec3 at(180.0f * std::cos(around), 180.0f * std::sin(around), 87.0f);
        game->createTower(&planet->tiles[planet->getTileIndexAt(at)], humanPlayer, true);
    }
    step(0.1); // the new towers and the planet's drawing exist from here on
    // Empty towers: no garrison band pulses with the clock between renders.
    for (Building* building : game->getBuildings()) {
        static_cast<MilitaryBuilding*>(building)->setUnitCount(0);
    }

    // The full shading, and the two reasons for taking the taps one at a
    // time: had either been left out, the frames would differ.
    ShaderProgram* full = variant("planet_all_taps.frag", "int taps = p.z < 2.0 ? 9 : 0;");
    ShaderProgram* towersOnly = variant("planet_towers.frag", "int taps = nearTower ? 9 : 0;");
    ShaderProgram* grazingOnly = variant("planet_grazing.frag", "int taps = facing < SELF_SHADOW_FACING ? 9 : 0;");
    ASSERT_TRUE(full && towersOnly && grazingOnly) << "the planet's shader no longer chooses its taps in one line";

    int towerShadows = 0; // pixels over every step
    int ownShadows = 0;
    for (int turn = 0; turn < 16; ++turn) {
        game->getScene()->getSunNode()->rotate(glm::vec3(0.0f, 1.0f, 0.0f), 0.3927f);
        const std::vector<unsigned char> drawn = renderScene();
        const std::vector<unsigned char> reference = renderWith(full);
        EXPECT_EQ(differing(drawn, reference), 0) << "sun step " << turn;
        towerShadows += differing(reference, renderWith(grazingOnly));
        ownShadows += differing(reference, renderWith(towersOnly));
    }
    EXPECT_GT(towerShadows, 500);
    EXPECT_GT(ownShadows, 500);
}

INSTANTIATE_TEST_SUITE_P(CoarsestAndFinest, ShadingShortcutTest, ::testing::Values(3, 6));

} // namespace
} // namespace BV
