#include <gtest/gtest.h>

#include "ResourceTestSupport.h"
#include "resources/Material.h"
#include "resources/Mesh.h"
#include "resources/ShaderProgram.h"

namespace BV {
namespace {

using restest::Rgba;

const char* const colourFragment = R"(#version 330 core
in vec3 colour;
out vec4 fragment;
void main() { fragment = vec4(colour, 1.0); }
)";

// A screen-space rectangle from x0 to x1 (full height), counter-clockwise,
// whose texture coordinate carries its colour.
void fillQuad(MeshPart& part, float x0, float x1, const glm::vec3& colour)
{
    const float corners[4][2] = {{x0, -1.0f}, {x1, -1.0f}, {x1, 1.0f}, {x0, 1.0f}};
    for (const auto& corner : corners) {
        const float vertex[MeshPart::floatsPerVertex] = {corner[0], corner[1], 0.0f, 0, 0, 1, colour.r,
                                                         colour.g,  colour.b,  1.0f, 0, 0, 1};
        part.vertices.insert(part.vertices.end(), vertex, vertex + MeshPart::floatsPerVertex);
    }
    part.indices = {0, 1, 2, 0, 2, 3};
    part.vertexCount = 4;
    part.triangleCount = 2;
}

class MeshTest : public restest::ResourceTest {
protected:
    Material* colourMaterial()
    {
        Material* material = get<Material>("Colour.mmat");
        if (!material->program) {
            material->program = writeProgram(restest::passThroughVertex, colourFragment);
        }
        return material;
    }
};

TEST_F(MeshTest, EachPartIsItsOwnVertexArrayDrawnWithItsMaterial)
{
    Mesh* mesh = get<Mesh>("halves.mesh");
    ASSERT_TRUE(mesh->parts.empty());
    for (const auto& [x0, x1, colour] :
         {std::tuple{-1.0f, 0.0f, glm::vec3(1, 0, 0)}, std::tuple{0.0f, 1.0f, glm::vec3(0, 0, 1)}}) {
        MeshPart* part = mesh->addPart();
        EXPECT_EQ(part->pass, 2);
        EXPECT_EQ(part->mesh, mesh);
        part->material = colourMaterial();
        fillQuad(*part, x0, x1, colour);
    }
    ASSERT_EQ(mesh->ensureLoaded(), Resource::LOADED);
    EXPECT_EQ(colourMaterial()->getState(), Resource::LOADED) << "a mesh loads its materials";
    MeshPart& left = mesh->parts.front();
    MeshPart& right = mesh->parts.back();
    ASSERT_NE(left.vertexArray, 0u);
    ASSERT_NE(right.vertexArray, left.vertexArray);

    glBindVertexArray(left.vertexArray);
    GLint size = 0;
    GLint stride = 0;
    void* offset = nullptr;
    glGetVertexAttribiv(3, GL_VERTEX_ATTRIB_ARRAY_SIZE, &size);
    glGetVertexAttribiv(3, GL_VERTEX_ATTRIB_ARRAY_STRIDE, &stride);
    glGetVertexAttribPointerv(3, GL_VERTEX_ATTRIB_ARRAY_POINTER, &offset);
    EXPECT_EQ(size, 4);
    EXPECT_EQ(stride, 52);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(offset), 36u);

    restest::OffscreenTarget target(32, 16);
    glUseProgram(colourMaterial()->program->getHandle());
    for (MeshPart& part : mesh->parts) {
        part.material->bind();
        glBindVertexArray(part.vertexArray);
        glDrawElements(GL_TRIANGLES, part.getIndexCount(), GL_UNSIGNED_INT, nullptr);
    }
    glBindVertexArray(0);
    glUseProgram(0);
    EXPECT_EQ(target.pixel(8, 8), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(target.pixel(24, 8), (Rgba{0, 0, 255, 255}));
    testkit::savePng("resources_manual_mesh.png", 32, 16, testkit::readPixels(0, 0, 32, 16));

    const GLuint vertexArray = left.vertexArray;
    mesh->releaseGL();
    EXPECT_FALSE(glIsVertexArray(vertexArray));
    EXPECT_TRUE(mesh->parts.empty());
}

TEST_F(MeshTest, TheFirstFaultyPartFailsTheMeshBeforeItGetsAVertexArray)
{
    Mesh* noIndices = get<Mesh>("a.mesh");
    MeshPart* part = noIndices->addPart();
    part->material = colourMaterial();
    fillQuad(*part, -1, 1, glm::vec3(1));
    part->indices.clear();
    Mesh* empty = get<Mesh>("b.mesh");
    empty->addPart()->material = colourMaterial();
    Mesh* strayIndex = get<Mesh>("c.mesh");
    part = strayIndex->addPart();
    part->material = colourMaterial();
    fillQuad(*part, -1, 1, glm::vec3(1));
    part->indices[5] = 4;
    Mesh* badMaterial = get<Mesh>("d.mesh");
    badMaterial->addPart()->material = get<Material>("Nothing.mmat");

    testkit::LogWatch watch;
    for (Mesh* mesh : {noIndices, empty, strayIndex, badMaterial}) {
        EXPECT_EQ(mesh->ensureLoaded(), Resource::FAILED) << mesh->getName();
        EXPECT_EQ(mesh->parts.front().vertexArray, 0u) << mesh->getName();
    }
    const std::vector<std::string> expected = {
        "CRITICAL :Failed to load Manual Mesh a.mesh: IndexData not set.",
        "CRITICAL :Failed to load Manual Mesh b.mesh: VertexData not set.",
        "CRITICAL :Failed to load Manual Mesh c.mesh: IndexData refers to a vertex past vertexCount.",
        "CRITICAL :Failed to Load Material: Nothing.mmat: ShaderProgram has not been set yet. ",
        "CRITICAL :Failed to load Manual Mesh d.mesh: Failed to load Material Nothing.mmat"};
    EXPECT_EQ(watch.criticalLines(), expected);
}

TEST_F(MeshTest, PartsUploadedBeforeAFailureKeepTheirVertexArrayOnRetry)
{
    Mesh* mesh = get<Mesh>("two.mesh");
    MeshPart* first = mesh->addPart();
    first->material = colourMaterial();
    fillQuad(*first, -1, 0, glm::vec3(1));
    MeshPart* second = mesh->addPart();
    second->material = colourMaterial();
    fillQuad(*second, 0, 1, glm::vec3(1));
    second->vertexCount = 5; // claims more vertices than it holds

    testkit::LogWatch watch;
    EXPECT_EQ(mesh->ensureLoaded(), Resource::FAILED);
    EXPECT_EQ(watch.criticalLines(),
              std::vector<std::string>{
                  "CRITICAL :Failed to load Manual Mesh two.mesh: VertexData is shorter than vertexCount."});
    const GLuint firstArray = first->vertexArray;
    EXPECT_NE(firstArray, 0u);
    EXPECT_EQ(second->vertexArray, 0u);

    second->vertexCount = 4;
    EXPECT_EQ(mesh->ensureLoaded(), Resource::LOADED);
    EXPECT_EQ(first->vertexArray, firstArray);
    EXPECT_NE(second->vertexArray, 0u);
}

} // namespace
} // namespace BV
