// Frames drawn by the Scene on the real GL context: passes and their depth
// and blending state, the shadow map, culling and the occluder.
#include <GL/glew.h>

#include "scene/RenderQueue.h"
#include "scene/SceneFixture.h"

namespace BV::scenetest {
namespace {

const glm::vec3 RED(1, 0, 0);
const glm::vec3 GREEN(0, 1, 0);
const glm::vec3 BLUE(0, 0, 1);
const glm::vec3 WHITE(1, 1, 1);

using SceneTest = SceneFixture;

TEST_F(SceneTest, OpaqueMeshHidesWhatIsBehindItAndCastsIntoTheShadowMap)
{
    // Background drawn after the front quad: only the depth test keeps it
    // out. The front quad lies at world z = 0, the back one at -100.
    moveCamera({0, 0, 200});
    placeMesh(quads({{20, -100, material(RED), 2}, {250, -200, material(BLUE), 2}}), {0, 0, 100});
    scene->update();
    EXPECT_EQ(scene->getRenderQueue().count(2), 2u);
    scene->render();
    EXPECT_TRUE(scene->getRenderQueue().isEmpty());

    EXPECT_TRUE(near(windowPixel(400, 300), {255, 0, 0}));
    EXPECT_TRUE(near(windowPixel(10, 10), {0, 0, 255}));
    // Shadow-map draws are not counted.
    EXPECT_EQ(statistics()->renderedObjects, 2u);
    EXPECT_EQ(statistics()->renderedTriangles, 4u);

    // The sun's camera looks down -z from z = 250 over depths 0 to 300: the
    // front quad lands at 250 / 300, the back one lies beyond the far plane.
    float depth = 0.0f;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, scene->getShadowFramebuffer());
    glReadPixels(Scene::SHADOW_MAP_SIZE / 2, Scene::SHADOW_MAP_SIZE / 2, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    EXPECT_NEAR(depth, 250.0f / 300.0f, 1e-3f);
}

TEST_F(SceneTest, TranslucentPassWritesNoDepthAndOverlayPassDrawsOverAll)
{
    // A small opaque red quad closer than near green and far blue, both in
    // pass 8 in that order, and a tiny yellow overlay far behind the red.
    placeMesh(
        quads({{10, -50, material(GREEN), 8}, {40, -100, material(BLUE), 8}, {1, -100, material(RED + GREEN), 16}}));
    placeMesh(quads({{2, -30, material(RED), 2}}));
    scene->update();
    // Only the opaque part casts a shadow.
    EXPECT_EQ(scene->getRenderQueue().count(RenderQueue::SHADOW_PASS), 1u);
    scene->render();
    testkit::savePng("scene_passes.png", WINDOW_WIDTH, WINDOW_HEIGHT, readWindow());

    EXPECT_TRUE(near(windowPixel(400, 300), {255, 255, 0})); // overlay over the red
    EXPECT_TRUE(near(windowPixel(400, 320), {255, 0, 0}));   // pass 8 is depth tested
    EXPECT_TRUE(near(windowPixel(460, 300), {0, 0, 255}));   // green left no depth behind
    EXPECT_TRUE(near(windowPixel(550, 300), {0, 0, 255}));
    EXPECT_EQ(statistics()->renderedObjects, 4u);
}

TEST_F(SceneTest, BlendingSwitchDecidesWhetherTranslucentQuadsMix)
{
    placeMesh(quads({{40, -100, material(RED), 2}, {10, -50, material(WHITE, 0.5f), 8}}));
    frame();
    EXPECT_TRUE(near(windowPixel(400, 300), {255, 128, 128}));

    statistics()->blending = false;
    frame();
    EXPECT_TRUE(near(windowPixel(400, 300), {255, 255, 255}));
}

TEST_F(SceneTest, NodesOutsideTheViewOrBehindTheOccluderFileNothing)
{
    moveCamera({0, 0, 400});
    Mesh* mesh = quads({{10, 0, material(RED), 2}});
    placeMesh(mesh, {0, 0, 300});   // in front of the planet
    placeMesh(mesh, {0, 0, -300});  // behind it
    placeMesh(mesh, {500, 0, 300}); // wholly right of the view
    Entity planet;
    scene->setOccluder(&planet);

    scene->update();
    // The hidden nodes give neither a draw nor a shadow.
    EXPECT_EQ(scene->getRenderQueue().count(2), 1u);
    EXPECT_EQ(scene->getRenderQueue().count(RenderQueue::SHADOW_PASS), 1u);
    scene->render();
    EXPECT_EQ(statistics()->renderedObjects, 1u);

    scene->setOccluder(nullptr);
    statistics()->renderedObjects = 0;
    frame();
    EXPECT_EQ(statistics()->renderedObjects, 2u);

    statistics()->culling = false;
    statistics()->renderedObjects = 0;
    frame();
    EXPECT_EQ(statistics()->renderedObjects, 3u);

    testkit::LogWatch log;
    EXPECT_EQ(scene->createSceneNode("sun"), nullptr);
    EXPECT_EQ(
        log.criticalLines(),
        std::vector<std::string>{"CRITICAL :Adding Node: sunfailed. There already exists a node with that name."});
}

} // namespace
} // namespace BV::scenetest
