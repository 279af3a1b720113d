// Billboards: one quad or one instanced batch, 2 triangles per instance,
// their blending around the draw, and their materials built from names.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <vector>

#include "resources/Material.h"
#include "resources/ResourceManager.h"
#include "resources/ShaderProgram.h"
#include "resources/Texture.h"
#include "scene/BillboardRenderable.h"
#include "scene/PlanetHalo.h"
#include "scene/RenderQueue.h"
#include "scene/Sun.h"
#include "scene/TextureBillboard.h"
#include "scene/SceneFixture.h"
#include "support/TestSupport.h"

namespace BV {
namespace {

const char* const haloImage = "resources/textures/planet_halo.dds";
const char* const billboardVert = "resources/shader/billboard.vert";
const char* const drawingFrag = "resources/shader/drawing.frag";

// A sun whose GL vertex array the test can see.
class ProbedSun : public Sun {
public:
    using Sun::Sun;
    unsigned int probeVertexArray() const { return vertexArray; }
};

GLint blendSource()
{
    GLint value = 0;
    glGetIntegerv(GL_BLEND_SRC_RGB, &value);
    return value;
}

GLint blendDestination()
{
    GLint value = 0;
    glGetIntegerv(GL_BLEND_DST_RGB, &value);
    return value;
}

class BillboardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        scenetest::SceneFixture::initialiseOnce();
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }

    static Texture* halo() { return static_cast<Texture*>(ResourceManager::getInstance()->getResource(haloImage)); }

    // Draws through the renderable as a pass does, with the material's
    // program current, and counts the triangles the GL really assembled.
    static std::uint32_t drawCounting(Billboard& billboard, GLuint* primitives)
    {
        glUseProgram(billboard.getMaterial()->program->getHandle());
        BillboardRenderable renderable(&billboard);
        GLuint query = 0;
        glGenQueries(1, &query);
        glBeginQuery(GL_PRIMITIVES_GENERATED, query);
        const std::uint32_t reported = renderable.draw();
        glEndQuery(GL_PRIMITIVES_GENERATED);
        glGetQueryObjectuiv(query, GL_QUERY_RESULT, primitives);
        glDeleteQueries(1, &query);
        return reported;
    }
};

TEST_F(BillboardTest, OneOrNoInstanceDrawsOneQuadAndManyDrawOneBatch)
{
    Sun sun(200.0f, 200.0f);
    struct Case {
        std::uint32_t instances;
        std::uint32_t reported;
        GLuint assembled;
    };
    for (const Case& c : {Case{0, 0, 2}, Case{1, 2, 2}, Case{2, 4, 4}, Case{7, 14, 14}}) {
        sun.instanceCount = c.instances;
        GLuint primitives = 0;
        EXPECT_EQ(drawCounting(sun, &primitives), c.reported) << c.instances << " instances";
        EXPECT_EQ(primitives, c.assembled) << c.instances << " instances";
    }
}

TEST_F(BillboardTest, BoxIsACubeOfTheWidth)
{
    Sun sun(10.0f, 4.0f);
    const BoundingBox box = sun.getBoundingBox();
    EXPECT_TRUE(box.isFinite());
    EXPECT_EQ(box.minimum, glm::vec3(-5.0f));
    EXPECT_EQ(box.maximum, glm::vec3(5.0f));
}

TEST_F(BillboardTest, VisibleBillboardFilesOneRenderableInItsPass)
{
    TextureBillboard sign(halo(), drawingFrag, billboardVert, "TexBillboard.mmat", 7.0f, 7.0f);
    sign.passType = 8;
    RenderQueue queue;
    sign.collectRenderables(queue);

    EXPECT_EQ(queue.count(8), 1u);
    EXPECT_EQ(queue.count(RenderQueue::SHADOW_PASS), 0u);
    RenderQueue::ProgramGroups* groups = queue.getPass(8);
    ASSERT_NE(groups, nullptr);
    ASSERT_EQ(groups->count(sign.getMaterial()->program), 1u);
    Renderable* renderable = groups->at(sign.getMaterial()->program).front();
    EXPECT_EQ(renderable->part, nullptr);
    EXPECT_FALSE(renderable->castsShadow);
    EXPECT_EQ(renderable->getMaterial(), sign.getMaterial());

    sign.visible = false;
    RenderQueue empty;
    sign.collectRenderables(empty);
    EXPECT_TRUE(empty.isEmpty());
}

TEST_F(BillboardTest, TextureBillboardLoadsItsPictureAndItsProgram)
{
    testkit::LogWatch log;
    PlanetHalo haloBillboard(halo(), drawingFrag, billboardVert, "TexBillboard.mmat", 580.0f, 580.0f);

    EXPECT_TRUE(halo()->isLoaded());
    Material* material = haloBillboard.getMaterial();
    ASSERT_NE(material, nullptr);
    EXPECT_EQ(material->getName(), "TexBillboard.mmat");
    EXPECT_TRUE(material->isLoaded());
    ShaderProgram* program = material->program;
    EXPECT_EQ(program->getName(), "resources/shader/billboard.vert_resources/shader/drawing.frag.shdr");
    EXPECT_GE(program->getUniformLocation("billboardSize"), 0);
    EXPECT_GE(program->getUniformLocation("texture0"), 0);
    EXPECT_NE(program->getUniformBlockIndex("CameraInfo"), GL_INVALID_INDEX);
    EXPECT_TRUE(log.criticalLines().empty()) << log.criticalLines().front();
}

TEST_F(BillboardTest, SetTextureReplacesTheDrawnPictureOrAddsOne)
{
    auto* full =
        static_cast<Texture*>(ResourceManager::getInstance()->getResource("resources/textures/status/full.dds"));
    TextureBillboard sign(halo(), drawingFrag, billboardVert, "TexBillboard.mmat", 7.0f, 7.0f);
    sign.setTexture(full);
    EXPECT_EQ(sign.getTextures(), std::vector<Texture*>{full});
    EXPECT_TRUE(full->isLoaded());

    TextureBillboard bare(std::vector<Texture*>{}, drawingFrag, billboardVert, "TexBillboard.mmat", 7.0f, 7.0f);
    bare.setTexture(full);
    EXPECT_EQ(bare.getTextures(), std::vector<Texture*>{full});
}

TEST_F(BillboardTest, SunAddsLightAndRestoresAlphaBlending)
{
    Sun sun(200.0f, 200.0f);
    EXPECT_EQ(sun.getMaterial()->getName(), "Sun.mmat");
    ShaderProgram* program = sun.getMaterial()->program;
    EXPECT_EQ(program->getName(), "resources/shader/billboard.vert_resources/shader/sun.frag.shdr");

    glUseProgram(program->getHandle());
    sun.prepareDraw();
    EXPECT_EQ(blendSource(), GL_ONE);
    EXPECT_EQ(blendDestination(), GL_ONE);
    sun.finishDraw();
    EXPECT_EQ(blendSource(), GL_SRC_ALPHA);
    EXPECT_EQ(blendDestination(), GL_ONE_MINUS_SRC_ALPHA);

    GLuint primitives = 0;
    drawCounting(sun, &primitives);
    float colour[3] = {0.0f, 0.0f, 0.0f};
    glGetUniformfv(program->getHandle(), program->getUniformLocation("sunColor"), colour);
    EXPECT_FLOAT_EQ(colour[0], 1.0f);
    EXPECT_FLOAT_EQ(colour[1], 0.98f);
    EXPECT_FLOAT_EQ(colour[2], 0.98f);
    float size[2] = {0.0f, 0.0f};
    glGetUniformfv(program->getHandle(), program->getUniformLocation("billboardSize"), size);
    EXPECT_EQ(size[0], 200.0f);
    EXPECT_EQ(size[1], 200.0f);
}

TEST_F(BillboardTest, HaloLeavesAdditiveBlendingAndThePictureOnUnitZero)
{
    PlanetHalo haloBillboard(halo(), drawingFrag, billboardVert, "TexBillboard.mmat", 580.0f, 580.0f);
    glUseProgram(haloBillboard.getMaterial()->program->getHandle());
    glActiveTexture(GL_TEXTURE3);
    haloBillboard.prepareDraw();

    EXPECT_EQ(blendSource(), GL_ONE);
    EXPECT_EQ(blendDestination(), GL_ONE);
    GLint unit = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
    EXPECT_EQ(unit, GL_TEXTURE0);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), halo()->handle);
}

TEST_F(BillboardTest, DeletingThroughTheEntityBaseReleasesTheVertexArray)
{
    auto* sun = new ProbedSun(10.0f, 10.0f);
    const unsigned int vertexArray = sun->probeVertexArray();
    ASSERT_TRUE(glIsVertexArray(vertexArray));
    Entity* entity = sun;
    delete entity;
    EXPECT_FALSE(glIsVertexArray(vertexArray));
}

} // namespace
} // namespace BV
