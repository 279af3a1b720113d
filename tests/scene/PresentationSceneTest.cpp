// A small world drawn through the scene as the game draws it: the star sky
// behind everything, an opaque body in front of it, the sun where the light
// is, and the atmosphere halo added over all of it.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include <glm/gtc/constants.hpp>

#include "resources/Texture.h"
#include "scene/PlanetHalo.h"
#include "scene/SceneFixture.h"
#include "scene/SkyBox.h"
#include "scene/Sun.h"

namespace BV::scenetest {
namespace {

using PresentationSceneTest = SceneFixture;

TEST_F(PresentationSceneTest, SkyBodySunAndHaloEachTakeTheirPlace)
{
    testkit::LogWatch log;
    // The player's view from the game's farthest zoom, down -z at the centre.
    moveCamera(glm::vec3(0.0f, 0.0f, 600.0f));
    auto* sky = new SkyBox();
    place(sky);
    // The light sits 1500 units out on the sun pivot's z axis; turning the
    // pivot puts the sun ahead of the camera, to the right of the body.
    auto* sun = new Sun(200.0f, 200.0f);
    sun->passType = 2;
    sun->node = scene->getLightNode();
    scene->getLightNode()->entity = sun;
    entities.push_back(sun);
    scene->getSunNode()->rotate(glm::vec3(0.0f, 1.0f, 0.0f), glm::pi<float>() - 0.7f);
    // A body between the halo's plane and the camera, so that the halo's
    // ring lies behind it.
    place(new MeshEntity(quads({{200.0f, 0.0f, material({0.2f, 0.4f, 0.6f}), 2}})), glm::vec3(0.0f, 0.0f, 100.0f));
    const Pixel bodyPixel{51, 102, 153};
    auto* haloImage =
        static_cast<Texture*>(ResourceManager::getInstance()->getResource("resources/textures/planet_halo.dds"));
    auto* halo = new PlanetHalo(haloImage, "resources/shader/drawing.frag", "resources/shader/billboard.vert",
                                "TexBillboard.mmat", 580.0f, 580.0f);
    halo->passType = 16;
    place(halo);

    halo->visible = false;
    frame();
    const std::vector<unsigned char> withoutHalo = readWindow();
    halo->visible = true;
    frame();
    const std::vector<unsigned char> full = readWindow();
    testkit::savePng("presentation_scene.png", WINDOW_WIDTH, WINDOW_HEIGHT, full);

    // The sky fills the background; the opaque body hides it.
    EXPECT_GT(channelSum(meanColour(withoutHalo, 700, 500, 100, 100)), 3.0);
    EXPECT_TRUE(near(pixelOf(withoutHalo, 400, 300), bodyPixel));

    // The sun shines where the light node is, bright and white-hot.
    const glm::vec2 sunAt = toWindow(*camera, scene->getLightNode()->getWorldPosition());
    ASSERT_GT(sunAt.x, 620.0f); // clear of the body, which ends near x = 615
    const Pixel sunPixel = pixelOf(withoutHalo, static_cast<int>(sunAt.x), static_cast<int>(sunAt.y));
    EXPECT_TRUE(sunPixel.r > 240 && sunPixel.g > 230 && sunPixel.b > 230);

    // The halo's ring lies behind the body, yet the last pass adds it on top:
    // the body's rim grows brighter, its centre stays as it was.
    const int rimX = static_cast<int>(toWindow(*camera, glm::vec3(205.0f, 0.0f, 0.0f)).x);
    EXPECT_GT(channelSum(meanColour(full, rimX - 8, 250, 8, 100)),
              channelSum(meanColour(withoutHalo, rimX - 8, 250, 8, 100)) + 30.0);
    EXPECT_TRUE(near(pixelOf(full, 400, 300), bodyPixel, 12));
    EXPECT_TRUE(log.criticalLines().empty()) << log.criticalLines().front();
}

} // namespace
} // namespace BV::scenetest
