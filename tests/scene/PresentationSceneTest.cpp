// A small world drawn through the scene as the game draws it: the star sky
// behind everything, an opaque body in front of it, the sun where the light
// is, and the atmosphere halo added over all of it.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include <glm/glm.hpp>

#include "resources/ResourceManager.h"
#include "resources/Texture.h"
#include "scene/PlanetHalo.h"
#include "scene/SceneFixture.h"
#include "scene/SkyBox.h"
#include "scene/Sun.h"

namespace BV::scenetest {
namespace {

constexpr float pi = 3.14159265f;

// Sum of r + g + b over a window rectangle (x, y from the top-left).
std::uint64_t brightness(const std::vector<unsigned char>& frame, int left, int top, int width, int height)
{
    std::uint64_t sum = 0;
    for (int y = top; y < top + height; ++y) {
        for (int x = left; x < left + width; ++x) {
            const std::size_t i = (static_cast<std::size_t>(WINDOW_HEIGHT - 1 - y) * WINDOW_WIDTH + x) * 4;
            sum += frame[i] + frame[i + 1] + frame[i + 2];
        }
    }
    return sum;
}

Pixel pixelOf(const std::vector<unsigned char>& frame, int x, int y)
{
    const std::size_t i = (static_cast<std::size_t>(WINDOW_HEIGHT - 1 - y) * WINDOW_WIDTH + x) * 4;
    return Pixel{frame[i], frame[i + 1], frame[i + 2]};
}

class PresentationSceneTest : public SceneFixture {
protected:
    void SetUp() override
    {
        SceneFixture::SetUp();
        // The player's view from the game's farthest zoom, looking at the
        // planet's centre down -z.
        moveCamera(glm::vec3(0.0f, 0.0f, 600.0f));

        sky = new SkyBox();
        place(sky);

        // The light sits 1500 units out on the sun pivot's z axis; turning the
        // pivot puts the sun ahead of the camera, to the right of the body.
        sun = new Sun(200.0f, 200.0f);
        sun->passType = 2;
        sun->node = scene->getLightNode();
        scene->getLightNode()->entity = sun;
        entities.push_back(sun);
        scene->getSunNode()->rotate(glm::vec3(0.0f, 1.0f, 0.0f), pi - 0.7f);

        // A body 200 units in half-size, between the halo's plane and the
        // camera, so that the halo's ring lies behind it.
        body = quads({{200.0f, 0.0f, material(bodyColour), 2}});
        placeMesh(body, glm::vec3(0.0f, 0.0f, 100.0f));

        auto* haloImage =
            static_cast<Texture*>(ResourceManager::getInstance()->getResource("resources/textures/planet_halo.dds"));
        halo = new PlanetHalo(haloImage, "resources/shader/drawing.frag", "resources/shader/billboard.vert",
                              "TexBillboard.mmat", 580.0f, 580.0f);
        halo->passType = 16;
        halo->visible = true;
        place(halo);
    }

    std::vector<unsigned char> drawFrame()
    {
        frame();
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        return testkit::readPixels(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT);
    }

    // Where a world point lands in the window, in pixels from the top-left.
    glm::vec2 toWindow(const glm::vec3& world)
    {
        const glm::vec4 clip = camera->getProjection() * camera->getView() * glm::vec4(world, 1.0f);
        const glm::vec3 ndc = glm::vec3(clip) / clip.w;
        return {(ndc.x * 0.5f + 0.5f) * WINDOW_WIDTH, (0.5f - ndc.y * 0.5f) * WINDOW_HEIGHT};
    }

    const glm::vec3 bodyColour{0.2f, 0.4f, 0.6f};
    const Pixel bodyPixel{51, 102, 153};
    SkyBox* sky = nullptr;
    Sun* sun = nullptr;
    PlanetHalo* halo = nullptr;
    Mesh* body = nullptr;
};

TEST_F(PresentationSceneTest, SkyBodySunAndHaloEachTakeTheirPlace)
{
    testkit::LogWatch log;

    halo->visible = false;
    sky->visible = false;
    const std::vector<unsigned char> bare = drawFrame();
    sky->visible = true;
    const std::vector<unsigned char> withoutHalo = drawFrame();
    halo->visible = true;
    const std::vector<unsigned char> full = drawFrame();
    testkit::savePng("presentation_scene.png", WINDOW_WIDTH, WINDOW_HEIGHT, full);

    // The sky fills the background: a corner that is black without it is
    // lit with it, in every corner of the window.
    for (const glm::ivec2 corner : {glm::ivec2(0, 0), glm::ivec2(700, 0), glm::ivec2(0, 500), glm::ivec2(700, 500)}) {
        EXPECT_EQ(brightness(bare, corner.x, corner.y, 100, 100), 0u) << corner.x << ", " << corner.y;
        EXPECT_GT(brightness(withoutHalo, corner.x, corner.y, 100, 100), 100u * 100u * 3u)
            << "the sky is too dark at " << corner.x << ", " << corner.y;
    }

    // The opaque body hides the sky: its centre shows its own colour alone.
    EXPECT_TRUE(near(pixelOf(withoutHalo, 400, 300), bodyPixel));
    EXPECT_TRUE(near(pixelOf(bare, 400, 300), bodyPixel));

    // The sun shines where the light node is, bright and white-hot.
    const glm::vec2 sunAt = toWindow(scene->getLightNode()->getWorldPosition());
    ASSERT_GT(sunAt.x, 620.0f); // clear of the body, which ends near x = 615
    ASSERT_LT(sunAt.x, 780.0f);
    const Pixel sunCentre = pixelOf(withoutHalo, static_cast<int>(sunAt.x), static_cast<int>(sunAt.y));
    EXPECT_GT(sunCentre.r, 240);
    EXPECT_GT(sunCentre.g, 230);
    EXPECT_GT(sunCentre.b, 230);

    // The halo's ring lies behind the body, yet the last pass adds it on top:
    // the body's rim grows brighter, its centre stays as it was.
    const glm::vec2 rim = toWindow(glm::vec3(205.0f, 0.0f, 0.0f));
    ASSERT_LT(rim.x, toWindow(glm::vec3(200.0f, 0.0f, 100.0f)).x);
    const int rimX = static_cast<int>(rim.x);
    EXPECT_GT(brightness(full, rimX - 8, 250, 8, 100),
              brightness(withoutHalo, rimX - 8, 250, 8, 100) + 8u * 100u * 30u);
    EXPECT_TRUE(near(pixelOf(full, 400, 300), bodyPixel, 12));

    EXPECT_TRUE(log.criticalLines().empty()) << log.criticalLines().front();
}

TEST_F(PresentationSceneTest, EveryPresentationObjectIsCountedAsDrawn)
{
    frame();
    // Sky, sun, body and halo: one renderable each.
    EXPECT_EQ(statistics()->renderedObjects, 4u);
    EXPECT_EQ(statistics()->renderedTriangles, 12u + 2u + 2u + 2u);
}

} // namespace
} // namespace BV::scenetest
