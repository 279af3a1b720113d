// Billboards and the sky box: what they file in the queue, one quad or one
// instanced batch per draw, shared sky parts and released GL objects.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include "resources/Texture.h"
#include "scene/BillboardRenderable.h"
#include "scene/RenderQueue.h"
#include "scene/SceneFixture.h"
#include "scene/SkyBox.h"
#include "scene/Sun.h"
#include "scene/TextureBillboard.h"

namespace BV::scenetest {
namespace {

// A sun whose GL vertex array the test can see.
class ProbedSun : public Sun {
public:
    using Sun::Sun;
    unsigned int probeVertexArray() const { return vertexArray; }
};

TEST(Billboard, FilesOneRenderableInItsPassAndTheSkyBoxInPassOne)
{
    SceneFixture::initialiseOnce();
    auto* image =
        static_cast<Texture*>(ResourceManager::getInstance()->getResource("resources/textures/planet_halo.dds"));
    TextureBillboard sign(image, "resources/shader/drawing.frag", "resources/shader/billboard.vert",
                          "TexBillboard.mmat", 7.0f, 7.0f);
    sign.passType = 8;
    SkyBox sky;
    SkyBox secondSky; // shares the first one's mesh without adding a part
    RenderQueue queue;
    sign.collectRenderables(queue);
    sky.collectRenderables(queue);

    EXPECT_EQ(queue.count(8), 1u);
    EXPECT_EQ(queue.count(1), 1u);
    EXPECT_EQ(queue.count(RenderQueue::SHADOW_PASS), 0u);
    ASSERT_EQ(queue.getPass(8)->count(sign.getMaterial()->program), 1u);
    EXPECT_EQ(queue.getPass(8)->at(sign.getMaterial()->program).front()->getMaterial(), sign.getMaterial());
    EXPECT_EQ(secondSky.meshes, sky.meshes);
    EXPECT_EQ(sky.meshes[0]->parts.size(), 1u);

    sign.visible = false;
    RenderQueue empty;
    sign.collectRenderables(empty);
    EXPECT_TRUE(empty.isEmpty());
}

TEST(Billboard, DrawsOneQuadOrOneInstancedBatchAndReleasesItsVertexArray)
{
    SceneFixture::initialiseOnce();
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

    const unsigned int vertexArray = sun->probeVertexArray();
    ASSERT_TRUE(glIsVertexArray(vertexArray));
    Entity* entity = sun;
    delete entity;
    EXPECT_FALSE(glIsVertexArray(vertexArray));
}

} // namespace
} // namespace BV::scenetest
