// Frames drawn by the Scene on the real GL context: passes and their depth
// and blending state, the uniform blocks, the shadow map, culling, and the
// draw-request bookkeeping.
#include <cmath>

#include <GL/glew.h>
#include <glm/gtc/constants.hpp>

#include "app/Log.h"
#include "scene/RenderQueue.h"
#include "scene/Renderable.h"
#include "scene/SceneFixture.h"

namespace BV::scenetest {
namespace {

const glm::vec3 RED(1, 0, 0);
const glm::vec3 GREEN(0, 1, 0);
const glm::vec3 BLUE(0, 0, 1);
const glm::vec3 WHITE(1, 1, 1);
const glm::vec3 YELLOW(1, 1, 0);

// Renderables that count their own destruction (through the base pointer).
class CountingRenderable : public Renderable {
public:
    CountingRenderable(MeshPart* part, SceneNode* node, std::int32_t pass, bool castsShadow)
        : Renderable(part, node, pass, castsShadow)
    {
        ++alive;
    }
    ~CountingRenderable() override { --alive; }
    static int alive;
};
int CountingRenderable::alive = 0;

using SceneTest = SceneFixture;

TEST_F(SceneTest, OpaqueMeshInFrontHidesWhatIsBehindIt)
{
    // Background drawn after the front quad: only the depth test keeps it out.
    placeMesh(quads({{20, -100, material(RED), 2}, {150, -200, material(BLUE), 2}}));
    frame();
    saveWindow("scene_opaque.png");

    EXPECT_TRUE(near(centrePixel(), {255, 0, 0}));
    EXPECT_TRUE(near(windowPixel(10, 10), {0, 0, 255}));
    // Shadow-map draws are not counted.
    EXPECT_EQ(statistics()->renderedObjects, 2u);
    EXPECT_EQ(statistics()->renderedTriangles, 4u);
    EXPECT_TRUE(scene->getRenderQueue().isEmpty());
}

TEST_F(SceneTest, TransparentPassIsDepthTestedButWritesNoDepth)
{
    // Near green first, far blue second, both in pass 8; a small opaque red
    // quad closer than both.
    placeMesh(quads({{10, -50, material(GREEN), 8}, {40, -100, material(BLUE), 8}}));
    placeMesh(quads({{2, -30, material(RED), 2}}));
    frame();
    saveWindow("scene_pass8.png");

    EXPECT_TRUE(near(centrePixel(), {255, 0, 0}));         // depth test on
    EXPECT_TRUE(near(windowPixel(460, 300), {0, 0, 255})); // green left no depth behind
    EXPECT_TRUE(near(windowPixel(550, 300), {0, 0, 255}));
    EXPECT_EQ(statistics()->renderedObjects, 3u);
}

TEST_F(SceneTest, OverlayPassDrawsOverEverything)
{
    placeMesh(quads({{5, -30, material(RED), 2}}));
    placeMesh(quads({{40, -100, material(YELLOW), 16}}));
    frame();
    saveWindow("scene_pass16.png");

    EXPECT_TRUE(near(centrePixel(), {255, 255, 0}));
}

TEST_F(SceneTest, BlendingSwitchDecidesWhetherTranslucentQuadsMix)
{
    Mesh* background = quads({{40, -100, material(RED), 2}});
    Mesh* veil = quads({{10, -50, material(WHITE, 0.5f), 8}});
    placeMesh(background);
    placeMesh(veil);
    frame();
    const Pixel blended = centrePixel();
    saveWindow("scene_blend_on.png");

    statistics()->blending = false;
    frame();
    const Pixel opaque = centrePixel();
    saveWindow("scene_blend_off.png");

    EXPECT_TRUE(near(blended, {255, 128, 128}));
    EXPECT_TRUE(near(opaque, {255, 255, 255}));
}

TEST_F(SceneTest, UniformBlocksAndNormalMatrixReachTheShaders)
{
    // Camera and both quads turned a quarter about y: the camera looks along
    // world -x, and each quad faces it.
    const glm::vec3 up(0, 1, 0);
    camera->rotate(up, glm::half_pi<float>());
    Mesh* lit = quads({{10, 0, material(WHITE, 1, program("scenetest/flat.vert", "scenetest/lighting.frag")), 2}});
    Mesh* normal = quads({{10, 0, material(WHITE, 1, program("scenetest/normal.vert", "scenetest/normal.frag")), 2}});
    placeMesh(lit, {-100, 0, 25})->rotate(up, glm::half_pi<float>());
    placeMesh(normal, {-100, 0, -25})->rotate(up, glm::half_pi<float>());
    frame();
    saveWindow("scene_uniforms.png");

    // Ambient 0.2, light colour 1, and the light at (0, 0, 1500) seen from
    // the turned camera at x = -1500.
    EXPECT_TRUE(near(windowPixel(266, 300), {51, 128, 128}));
    // The quad's normal in view space points straight at the camera.
    EXPECT_TRUE(near(windowPixel(534, 300), {128, 128, 255}));
}

TEST_F(SceneTest, ShadowCastersDarkenTheShadowMapBelowThem)
{
    // The sun's camera looks down world -z from z = 250 (depth 0 to 300).
    // The caster at z = 0 lands at depth 250 / 300; the receiver lies beyond
    // the far plane and leaves the map at 1 elsewhere.
    moveCamera({150, 0, 300});
    placeMesh(quads({{20, 0, material(GREEN), 2}}));
    ShaderProgram* probe = program("scenetest/probe.vert", "scenetest/probe.frag");
    placeMesh(quads({{200, 0, material(WHITE, 1, probe), 2}}), {0, 0, -100});
    frame();
    saveWindow("scene_shadow.png");

    const int inShadow = static_cast<int>(std::lround(250.0 / 300.0 * 255.0));
    EXPECT_TRUE(near(windowPixel(198, 300), {inShadow, 0, 0}));
    EXPECT_TRUE(near(windowPixel(333, 300), {255, 0, 0}));
    EXPECT_TRUE(near(windowPixel(131, 300), {0, 255, 0})); // the caster itself
    EXPECT_EQ(statistics()->renderedObjects, 2u);

    float depth = 0.0f;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, scene->getShadowFramebuffer());
    glReadPixels(Scene::SHADOW_MAP_SIZE / 2, Scene::SHADOW_MAP_SIZE / 2, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    EXPECT_NEAR(depth, 250.0f / 300.0f, 1e-3f);
}

TEST_F(SceneTest, CullingSkipsNodesOutsideTheViewVolume)
{
    placeMesh(quads({{20, 0, material(RED), 2}}), {0, 0, -100});
    placeMesh(quads({{20, 0, material(RED), 2}}), {500, 0, -100}); // wholly right of the view
    placeMesh(quads({{20, 0, material(RED), 2}}), {80, 0, -100});  // straddles the right plane
    frame();
    EXPECT_EQ(statistics()->renderedObjects, 2u);

    statistics()->renderedObjects = 0;
    statistics()->culling = false;
    frame();
    EXPECT_EQ(statistics()->renderedObjects, 3u);
}

TEST_F(SceneTest, OccluderHidesNodesBehindThePlanet)
{
    moveCamera({0, 0, 400});
    placeMesh(quads({{10, 0, material(RED), 2}}), {0, 0, -300}); // behind the sphere
    placeMesh(quads({{10, 0, material(RED), 2}}), {0, 0, 300});  // in front of it
    Entity planet;
    scene->setOccluder(&planet);

    scene->update();
    // The hidden node gives neither a draw nor a shadow.
    EXPECT_EQ(scene->getRenderQueue().count(2), 1u);
    EXPECT_EQ(scene->getRenderQueue().count(RenderQueue::SHADOW_PASS), 1u);
    scene->render();
    EXPECT_EQ(statistics()->renderedObjects, 1u);

    scene->setOccluder(nullptr);
    statistics()->renderedObjects = 0;
    frame();
    EXPECT_EQ(statistics()->renderedObjects, 2u);
}

TEST_F(SceneTest, NodesWithoutFiniteBoxAreSkippedUnlessNotCullable)
{
    // A mesh without a box, as the sky box has.
    Mesh* unboxed = quads({{10, -100, material(RED), 1}});
    unboxed->boundingBox.setNull();
    placeMesh(unboxed, {}, false);
    SceneNode* boxless = placeMesh(unboxed, {}, true);
    scene->createSceneNode("empty");

    scene->update();
    EXPECT_TRUE(boxless->getBoundingBox().isNull());
    EXPECT_TRUE(scene->getSceneNode("empty")->getBoundingBox().isNull());
    EXPECT_EQ(scene->getRenderQueue().count(1), 1u);
    EXPECT_EQ(scene->getRenderQueue().count(RenderQueue::SHADOW_PASS), 0u); // pass 1 casts none
    scene->render();

    statistics()->culling = false;
    scene->update();
    EXPECT_EQ(scene->getRenderQueue().count(1), 2u);
    scene->render();
}

TEST_F(SceneTest, NodeBoxesCoverEntityAndSceneNodeChildrenInWorldSpace)
{
    Mesh* mesh = quads({{1, 0, material(RED), 2}});
    SceneNode* parent = placeMesh(mesh, {10, 0, 0});
    SceneNode* child = placeMesh(mesh, {0, 5, 0});
    parent->addChild(child);
    parent->scale = glm::vec3(2.0f);
    parent->markDirty(false);
    scene->update();

    // Child at 10 + 2 * (0, 5, 0) with scale 2: y from 8 to 12.
    EXPECT_EQ(child->getBoundingBox().minimum, glm::vec3(8, 8, 0));
    EXPECT_EQ(child->getBoundingBox().maximum, glm::vec3(12, 12, 0));
    EXPECT_EQ(parent->getBoundingBox().minimum, glm::vec3(8, -2, 0));
    EXPECT_EQ(parent->getBoundingBox().maximum, glm::vec3(12, 12, 0));
    // The root holds everything below it.
    EXPECT_EQ(scene->getRoot()->getBoundingBox().maximum.y, 12.0f);

    // Moving only the child still refreshes the parent's box.
    child->translate({0, 1, 0}, Node::TS_PARENT);
    scene->update();
    EXPECT_EQ(parent->getBoundingBox().maximum, glm::vec3(12, 14, 0));
    scene->render();
}

TEST_F(SceneTest, QueueIsEmptyAfterRenderAndEveryRequestIsDeletedOnce)
{
    Mesh* mesh = quads({{10, -100, material(RED), 2}});
    SceneNode* node = placeMesh(mesh);
    MeshPart* part = &mesh->parts.front();
    RenderQueue& queue = scene->getRenderQueue();
    scene->update();
    for (std::int32_t pass : {1, 2, 4, 8, 16}) {
        queue.add(new CountingRenderable(part, node, pass, pass == 2));
    }
    // A material with no program cannot be drawn; its request is dropped.
    Material* orphan = material(RED);
    orphan->program = nullptr;
    MeshPart homeless;
    homeless.material = orphan;
    queue.add(new CountingRenderable(&homeless, node, 2, true));
    EXPECT_EQ(CountingRenderable::alive, 6);

    scene->render();
    EXPECT_TRUE(queue.isEmpty());
    for (std::int32_t pass : {1, 2, 4, 8, 16, RenderQueue::SHADOW_PASS}) {
        EXPECT_EQ(queue.getPass(pass), nullptr) << "pass " << pass;
    }
    EXPECT_EQ(CountingRenderable::alive, 0);
    // The mesh's own request and the five valid ones.
    EXPECT_EQ(statistics()->renderedObjects, 6u);
    EXPECT_EQ(statistics()->renderedTriangles, 12u);
}

TEST_F(SceneTest, NodeRegistryRefusesDuplicateNames)
{
    testkit::LogWatch log;
    EXPECT_EQ(scene->createSceneNode("sun"), nullptr);
    EXPECT_EQ(
        log.criticalLines(),
        std::vector<std::string>{"CRITICAL :Adding Node: sunfailed. There already exists a node with that name."});

    // Unnamed nodes and createChild all land below the root.
    Node* made = scene->getSunNode()->createChild("made");
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->getParent(), scene->getRoot());
    EXPECT_EQ(scene->getSceneNode("made"), made);
    EXPECT_EQ(scene->getRoot()->getName(), "BV.Root");
    EXPECT_EQ(camera->getParent(), scene->getRoot());

    EXPECT_TRUE(scene->destroySceneNode("made"));
    EXPECT_EQ(scene->getRoot()->getChild("made"), nullptr);
    EXPECT_FALSE(scene->destroySceneNode("made"));
}

TEST_F(SceneTest, LightAndShadowCameraHangBelowTheSun)
{
    scene->getSunNode()->rotate({0, 1, 0}, glm::half_pi<float>());
    scene->update();
    // A quarter turn of the sun carries the light from +z to +x.
    const glm::vec3 light = scene->getLightNode()->getWorldPosition();
    EXPECT_NEAR(light.x, 1500.0f, 1e-2f);
    EXPECT_NEAR(light.z, 0.0f, 1e-2f);
    EXPECT_NEAR(scene->getShadowCamera()->getWorldPosition().x, 250.0f, 1e-3f);
    // depthBiasPV maps the origin, 250 in front of the shadow camera, to the
    // middle of the map at depth 250 / 300.
    const glm::vec4 origin = scene->getDepthBiasPV() * glm::vec4(0, 0, 0, 1);
    EXPECT_NEAR(origin.x, 0.5f, 1e-5f);
    EXPECT_NEAR(origin.y, 0.5f, 1e-5f);
    EXPECT_NEAR(origin.z, 250.0f / 300.0f, 1e-5f);
    scene->render();
}

} // namespace
} // namespace BV::scenetest
