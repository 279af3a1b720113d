// Frames the Scene draws on the real GL context, and the render queue they file: passes with their depth and blending,
// culling, the occluder and the sun.
#include <glm/gtc/constants.hpp>

#include "scene/BillboardRenderable.h"
#include "scene/RenderQueue.h"
#include "scene/SceneFixture.h"
#include "scene/SkyBox.h"
#include "scene/Sun.h"
#include "scene/TextureBillboard.h"

namespace BV::scenetest {
namespace {

const glm::vec3 RED(1, 0, 0), GREEN(0, 1, 0), BLUE(0, 0, 1);

using SceneTest = SceneFixture;

struct ProbedSun : Sun {
    using Sun::Sun;
    std::pair<GLuint, GLuint> objects() const { return {vertexArray, vertexBuffer}; }
};

GLint integer(GLenum name)
{
    GLint value = -1;
    glGetIntegerv(name, &value);
    return value;
}

TEST(Billboard, FilesOneRenderableInItsPassDrawsOneBatchAndReleasesItsBuffers)
{
    SceneFixture::initialiseOnce();
    auto* halo =
        static_cast<Texture*>(ResourceManager::getInstance()->getResource("resources/textures/planet_halo.dds"));
    TextureBillboard sign(halo, "resources/shader/drawing.frag", "resources/shader/billboard.vert", "TexBillboard.mmat",
                          7.0f, 7.0f);
    sign.passType = 8;
    SkyBox sky, secondSky; // the second shares the first one's mesh without adding a part
    RenderQueue queue;
    sign.collectRenderables(queue);
    sky.collectRenderables(queue);
    EXPECT_EQ(std::vector<std::size_t>({queue.count(8), queue.count(1), queue.count(RenderQueue::SHADOW_PASS)}),
              std::vector<std::size_t>({1, 1, 0}));
    ASSERT_EQ(queue.getPass(8)->count(sign.getMaterial()->program), 1u);
    EXPECT_EQ(secondSky.meshes, sky.meshes);
    EXPECT_EQ(sky.meshes[0]->parts.size(), 1u);

    auto* sun = new ProbedSun(200.0f, 200.0f);
    glUseProgram(sun->getMaterial()->program->getHandle());
    GLuint query = 0;
    glGenQueries(1, &query);
    // Reported triangles and those the GL really assembled, per instance count.
    for (const glm::uvec3 c : {glm::uvec3(0, 0, 2), glm::uvec3(1, 2, 2), glm::uvec3(7, 14, 14)}) {
        sun->instanceCount = c.x;
        BillboardRenderable renderable(sun);
        glBeginQuery(GL_PRIMITIVES_GENERATED, query);
        EXPECT_EQ(renderable.draw(), c.y) << c.x << " instances";
        glEndQuery(GL_PRIMITIVES_GENERATED);
        GLuint primitives = 0;
        glGetQueryObjectuiv(query, GL_QUERY_RESULT, &primitives);
        EXPECT_EQ(primitives, c.z) << c.x << " instances";
    }
    glDeleteQueries(1, &query);
    glUseProgram(0);
    const auto [vertexArray, vertexBuffer] = sun->objects();
    ASSERT_TRUE(glIsVertexArray(vertexArray) && glIsBuffer(vertexBuffer));
    delete static_cast<Entity*>(sun);
    EXPECT_FALSE(glIsVertexArray(vertexArray) || glIsBuffer(vertexBuffer));
}

// The depth-only shadow target neither draws nor reads colour, as 3.3 drivers other than this one need. An incomplete
// framebuffer is named in one line, and checking it leaves the binding alone.
TEST_F(SceneTest, OffScreenTargetsAreCompleteAndAnIncompleteOneIsNamed)
{
    glBindFramebuffer(GL_FRAMEBUFFER, scene->getShadowFramebuffer());
    EXPECT_EQ(integer(GL_DRAW_BUFFER0), GL_NONE);
    EXPECT_EQ(integer(GL_READ_BUFFER), GL_NONE);
    GLuint empty = 0;
    glGenFramebuffers(1, &empty);
    testkit::LogWatch watch;
    EXPECT_FALSE(Scene::checkFramebuffer(empty, "test"));
    EXPECT_EQ(
        watch.criticalLines(),
        std::vector<std::string>{"CRITICAL :Failed to create Scene: test framebuffer: Incomplete (status 0x8CD7)."});
    EXPECT_EQ(static_cast<GLuint>(integer(GL_FRAMEBUFFER_BINDING)), scene->getShadowFramebuffer());
    glDeleteFramebuffers(1, &empty);
}

// Records the stages a frame reports, as the frame benchmark times them.
struct StageLog : Scene::StageListener {
    void onStageEnded(const char* stage) override { stages.emplace_back(stage); }
    std::vector<std::string> stages;
};

// An opaque background drawn after the front quad stays hidden by the depth test alone. The translucent pass writes no
// depth and the overlay pass draws over all; a half-white quad then mixes with the red behind it only while blending is
// on, and the copy to the window does not blend it again.
TEST_F(SceneTest, TranslucentPassWritesNoDepthOverlayDrawsOverAllAndBlendingMixes)
{
    auto* opaque = new MeshEntity(quads({{20, -100, material(RED), 2}, {250, -200, material(BLUE), 2}}));
    place(opaque);
    StageLog log;
    scene->setStageListener(&log);
    frame();
    EXPECT_TRUE(near(windowPixel(400, 300), {255, 0, 0}));
    EXPECT_TRUE(near(windowPixel(10, 10), {0, 0, 255}));
    const std::vector<std::string> order = {"shadow", "pass 1", "pass 2", "pass 4", "pass 8", "pass 16", "copy"};
    EXPECT_EQ(log.stages, order);
    scene->setStageListener(nullptr);

    // A small opaque red quad closer than near green and far blue, both in pass 8 in that order, and a tiny yellow
    // overlay far behind the red.
    opaque->visible = false;
    auto* layers = new MeshEntity(
        quads({{10, -50, material(GREEN), 8}, {40, -100, material(BLUE), 8}, {1, -100, material(RED + GREEN), 16}}));
    auto* red = new MeshEntity(quads({{2, -30, material(RED), 2}}));
    place(layers);
    place(red);
    frame();
    const std::vector<unsigned char> window = readWindow();
    EXPECT_TRUE(near(pixelOf(window, 400, 300), {255, 255, 0})); // overlay over the red
    EXPECT_TRUE(near(pixelOf(window, 400, 320), {255, 0, 0}));   // pass 8 is depth tested
    EXPECT_TRUE(near(pixelOf(window, 460, 300), {0, 0, 255}));   // green left no depth behind

    layers->visible = red->visible = false;
    place(new MeshEntity(quads({{40, -100, material(RED), 2}, {10, -50, material(glm::vec3(1), 0.5f), 8}})));
    frame();
    EXPECT_TRUE(near(windowPixel(400, 300), {255, 128, 128}));
    Statistics::getInstance()->blending = false;
    frame();
    EXPECT_TRUE(near(windowPixel(400, 300), {255, 255, 255}));
}

// The sun's camera looks from 250 units out on the sun's axis back at the origin, over 300 units of depth: a caster
// there leaves depth 250 / 300. Groups whose program is missing or failed are dropped, and only what is drawn counts
// towards the statistics.
TEST_F(SceneTest, CastersReachTheShadowMapAndOnlyDrawnGroupsCount)
{
    moveCamera({0, 0, 200});
    Material* missing = material(GREEN);
    missing->program = nullptr;
    Material* failed = material(BLUE);
    failed->program = static_cast<ShaderProgram*>(ResourceManager::getInstance()->getResource("scenetest_none.shdr"));
    failed->program->ensureLoaded();
    place(new MeshEntity(quads({{10, 0, missing, 2}, {30, 0, material(RED), 2}, {10, 0, failed, 2}})));
    Statistics* statistics = Statistics::getInstance();
    for (int frames = 0; frames < 2; ++frames) {
        statistics->renderedObjects = statistics->renderedTriangles = 0;
        frame();
        EXPECT_TRUE(scene->getRenderQueue().isEmpty());
        EXPECT_EQ(statistics->renderedObjects, 1u);
        EXPECT_EQ(statistics->renderedTriangles, 2u);
    }
    EXPECT_TRUE(near(windowPixel(400, 300), {255, 0, 0}));
    float depth[2] = {0.0f, 0.0f};
    glBindFramebuffer(GL_READ_FRAMEBUFFER, scene->getShadowFramebuffer());
    glReadPixels(1024, 1024, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth[0]);
    glReadPixels(10, 10, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth[1]);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    EXPECT_NEAR(depth[0], 250.0f / 300.0f, 1e-3f);
    EXPECT_EQ(depth[1], 1.0f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(SceneTest, NodesOutsideTheViewOrBehindTheOccluderFileNothing)
{
    moveCamera({0, 0, 400});
    Mesh* mesh = quads({{10, 0, material(RED), 2}});
    place(new MeshEntity(mesh), {0, 0, 300});   // in front of the planet
    place(new MeshEntity(mesh), {0, 0, -300});  // behind it
    place(new MeshEntity(mesh), {500, 0, 300}); // wholly right of the view
    // A box from behind the planet up to a corner exactly at the eye: that corner has nothing in front of it.
    place(new MeshEntity(quads({{0, 0, material(RED), 2}, {0, -700, material(RED), 2}})), {0, 0, 400});
    Entity planet; // every field of the base has its value, so the occluder reads no garbage
    EXPECT_TRUE(!planet.node && planet.meshes.empty() && planet.visible && planet.meshIndex == 0 && planet.cullable);
    scene->setOccluder(&planet);
    scene->update();
    // The hidden nodes give neither a draw nor a shadow.
    EXPECT_EQ(scene->getRenderQueue().count(2), 3u);
    EXPECT_EQ(scene->getRenderQueue().count(RenderQueue::SHADOW_PASS), 3u);
    scene->render();
    scene->setOccluder(nullptr);
    Statistics::getInstance()->culling = false;
    scene->update();
    EXPECT_EQ(scene->getRenderQueue().count(2), 5u);

    testkit::LogWatch log;
    EXPECT_EQ(scene->createSceneNode("sun"), nullptr);
    EXPECT_EQ(
        log.criticalLines(),
        std::vector<std::string>{"CRITICAL :Adding Node: sunfailed. There already exists a node with that name."});
}

// The sun shines white-hot where the light node is, ahead of the camera and clear of an opaque body in front of it.
TEST_F(SceneTest, SunShinesWhereTheLightIsBesideTheBody)
{
    testkit::LogWatch log;
    moveCamera({0, 0, 600}); // the game's farthest zoom, down -z at the centre
    // The light sits 1500 units out on the sun pivot's z axis.
    auto* sun = new Sun(200.0f, 200.0f);
    sun->passType = 2;
    sun->node = scene->getLightNode();
    scene->getLightNode()->entity = sun;
    entities.push_back(sun);
    scene->getSunNode()->rotate({0, 1, 0}, glm::pi<float>() - 0.7f);
    place(new MeshEntity(quads({{200, 0, material({0.2f, 0.4f, 0.6f}), 2}})), {0, 0, 100});
    frame();
    const std::vector<unsigned char> window = readWindow();
    testkit::savePng("scene_sun.png", WINDOW_WIDTH, WINDOW_HEIGHT, window);
    EXPECT_TRUE(near(pixelOf(window, 400, 300), {51, 102, 153}));
    // The body ends near x = 615.
    const glm::vec2 sunAt = toWindow(*camera, scene->getLightNode()->getWorldPosition());
    ASSERT_GT(sunAt.x, 620.0f);
    const Pixel sunPixel = pixelOf(window, static_cast<int>(sunAt.x), static_cast<int>(sunAt.y));
    EXPECT_TRUE(sunPixel.r > 240 && sunPixel.g > 230 && sunPixel.b > 230);
    EXPECT_TRUE(log.criticalLines().empty()) << log.criticalLines().front();
}

} // namespace
} // namespace BV::scenetest
