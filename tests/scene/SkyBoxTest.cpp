// The sky box's shared mesh and material are built once and filed in the
// first pass, never among the shadow casters.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cmath>

#include <glm/glm.hpp>

#include "resources/Material.h"
#include "resources/Mesh.h"
#include "resources/ResourceManager.h"
#include "resources/ShaderProgram.h"
#include "resources/Texture.h"
#include "scene/Renderable.h"
#include "scene/RenderQueue.h"
#include "scene/SkyBox.h"
#include "scene/SceneFixture.h"
#include "support/TestSupport.h"

namespace BV {
namespace {

class SkyBoxTest : public ::testing::Test {
protected:
    void SetUp() override { scenetest::SceneFixture::initialiseOnce(); }
};

TEST_F(SkyBoxTest, BuildsOneLoadedPartInThePassDrawnFirst)
{
    testkit::LogWatch log;
    SkyBox sky;

    ASSERT_EQ(sky.meshes.size(), 1u);
    Mesh* mesh = sky.meshes[0];
    EXPECT_EQ(mesh->getName(), "skybox.mesh");
    EXPECT_TRUE(mesh->isLoaded());
    ASSERT_EQ(mesh->parts.size(), 1u);
    const MeshPart& part = mesh->parts.front();
    EXPECT_EQ(part.pass, 1);
    EXPECT_EQ(part.vertexCount, 24u);
    EXPECT_EQ(part.triangleCount, 12u);
    EXPECT_NE(part.vertexArray, 0u);
    EXPECT_FALSE(sky.cullable);
    EXPECT_TRUE(sky.visible);
    EXPECT_TRUE(log.criticalLines().empty()) << log.criticalLines().front();
}

TEST_F(SkyBoxTest, MaterialCarriesTheStarCubeAndTheCloudsWithLinearFilters)
{
    SkyBox sky;
    Material* material = sky.meshes[0]->parts.front().material;
    ASSERT_NE(material, nullptr);
    EXPECT_EQ(material->getName(), "Skybox.mmat");
    EXPECT_TRUE(material->isLoaded());
    EXPECT_EQ(material->program->getName(), "resources/shader/skybox.vert_resources/shader/skybox.frag.shdr");
    ASSERT_EQ(material->textures.size(), 2u);
    Texture* galaxy = material->textures.at("cubemap");
    Texture* clouds = material->textures.at("clouds");
    EXPECT_EQ(galaxy->getName(), "resources/textures/cubemap/galaxy.xcm");
    EXPECT_EQ(galaxy->target, static_cast<GLenum>(GL_TEXTURE_CUBE_MAP));
    EXPECT_TRUE(galaxy->isLoaded());
    EXPECT_EQ(clouds->getName(), "resources/textures/cubemap/clouds.dds");
    EXPECT_TRUE(clouds->isLoaded());
    for (Texture* texture : {galaxy, clouds}) {
        EXPECT_EQ(texture->minFilter, GL_LINEAR);
        EXPECT_EQ(texture->magFilter, GL_LINEAR);
    }
    // The program reads exactly what the sky needs.
    ShaderProgram* program = material->program;
    EXPECT_GE(program->getUniformLocation("cubemap"), 0);
    EXPECT_GE(program->getUniformLocation("clouds"), 0);
    EXPECT_GE(program->getUniformLocation("modelMat"), 0);
    EXPECT_NE(program->getUniformBlockIndex("CameraInfo"), GL_INVALID_INDEX);
    EXPECT_EQ(glGetAttribLocation(program->getHandle(), "position"), 0);
    EXPECT_EQ(glGetAttribLocation(program->getHandle(), "texCoordIn"), 2);
}

TEST_F(SkyBoxTest, SecondSkyBoxSharesTheMeshWithoutAddingAPart)
{
    SkyBox first;
    SkyBox second;
    ASSERT_EQ(second.meshes.size(), 1u);
    EXPECT_EQ(second.meshes[0], first.meshes[0]);
    EXPECT_EQ(first.meshes[0]->parts.size(), 1u);
}

TEST_F(SkyBoxTest, CubeHasHalfSize2000AndFacesTheInside)
{
    SkyBox sky;
    const MeshPart& part = sky.meshes[0]->parts.front();
    ASSERT_EQ(part.vertices.size(), 24u * MeshPart::floatsPerVertex);
    ASSERT_EQ(part.indices.size(), 36u);
    for (std::size_t t = 0; t < 12; ++t) {
        glm::vec3 corner[3];
        for (std::size_t k = 0; k < 3; ++k) {
            const float* v = &part.vertices[part.indices[3 * t + k] * MeshPart::floatsPerVertex];
            corner[k] = glm::vec3(v[0], v[1], v[2]);
            for (int axis = 0; axis < 3; ++axis) {
                EXPECT_EQ(std::abs(v[axis]), 2000.0f);
            }
        }
        // Counter-clockwise seen from the centre: the normal points inwards.
        const glm::vec3 normal = glm::cross(corner[1] - corner[0], corner[2] - corner[0]);
        const glm::vec3 centre = (corner[0] + corner[1] + corner[2]) / 3.0f;
        EXPECT_LT(glm::dot(normal, centre), 0.0f) << "triangle " << t;
    }
}

TEST_F(SkyBoxTest, RenderableIsFiledUnderPassOneAndCastsNoShadow)
{
    SkyBox sky;
    RenderQueue queue;
    sky.collectRenderables(queue);

    EXPECT_EQ(queue.count(1), 1u);
    EXPECT_EQ(queue.count(RenderQueue::SHADOW_PASS), 0u);
    RenderQueue::ProgramGroups* groups = queue.getPass(1);
    ASSERT_NE(groups, nullptr);
    EXPECT_EQ(groups->count(sky.meshes[0]->parts.front().material->program), 1u);
}

} // namespace
} // namespace BV
