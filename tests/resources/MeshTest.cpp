#include <gtest/gtest.h>

#include "ResourceTestSupport.h"
#include "resources/Material.h"
#include "resources/Mesh.h"
#include "resources/ShaderProgram.h"

namespace BV {
namespace {

using restest::Rgba;

class MeshTest : public restest::ResourceTest {
protected:
    Material* colourMaterial()
    {
        Material* material = get<Material>("Colour.mmat");
        if (!material->program) {
            material->program = writeProgram(restest::passThroughVertex, "#version 330 core\nin vec3 colour;\n"
                                                                         "out vec4 fragment;\n"
                                                                         "void main() { fragment = vec4(colour, 1); }");
        }
        return material;
    }
    // A screen-space rectangle from x0 to x1 (full height), counter-clockwise,
    // whose texture coordinate carries its colour.
    MeshPart* addQuad(Mesh* mesh, float x0, float x1, const glm::vec3& colour = glm::vec3(1))
    {
        MeshPart* part = mesh->addPart();
        part->material = colourMaterial();
        for (int i = 0; i < 4; ++i) {
            const float x = (i == 0 || i == 3) ? x0 : x1, y = i < 2 ? -1.0f : 1.0f;
            const float v[MeshPart::floatsPerVertex] = {x, y, 0, 0, 0, 1, colour.r, colour.g, colour.b, 1, 0, 0, 1};
            part->vertices.insert(part->vertices.end(), v, v + MeshPart::floatsPerVertex);
        }
        part->indices = {0, 1, 2, 0, 2, 3};
        part->vertexCount = 4;
        part->triangleCount = 2;
        return part;
    }
};

TEST_F(MeshTest, EachPartIsItsOwnVertexArrayDrawnWithItsMaterial)
{
    Mesh* mesh = get<Mesh>("halves.mesh");
    addQuad(mesh, -1, 0, glm::vec3(1, 0, 0));
    addQuad(mesh, 0, 1, glm::vec3(0, 0, 1));
    ASSERT_EQ(mesh->ensureLoaded(), Resource::LOADED);
    EXPECT_EQ(colourMaterial()->getState(), Resource::LOADED) << "a mesh loads its materials";
    ASSERT_NE(mesh->parts.front().vertexArray, 0u);
    ASSERT_NE(mesh->parts.back().vertexArray, mesh->parts.front().vertexArray);

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
}

TEST_F(MeshTest, TheFirstFaultyPartFailsTheMeshAndUploadedPartsSurviveARetry)
{
    addQuad(get<Mesh>("a.mesh"), -1, 1)->indices.clear();
    get<Mesh>("b.mesh")->addPart()->material = colourMaterial();
    addQuad(get<Mesh>("c.mesh"), -1, 1)->indices[5] = 4;
    get<Mesh>("d.mesh")->addPart()->material = get<Material>("Nothing.mmat");
    Mesh* two = get<Mesh>("e.mesh");
    MeshPart* first = addQuad(two, -1, 0);
    MeshPart* second = addQuad(two, 0, 1);
    second->vertexCount = 5; // claims more vertices than it holds

    testkit::LogWatch watch;
    for (const char* name : {"a.mesh", "b.mesh", "c.mesh", "d.mesh", "e.mesh"}) {
        EXPECT_EQ(get<Mesh>(name)->ensureLoaded(), Resource::FAILED) << name;
    }
    const std::vector<std::string> expected = {
        "CRITICAL :Failed to load Manual Mesh a.mesh: IndexData not set.",
        "CRITICAL :Failed to load Manual Mesh b.mesh: VertexData not set.",
        "CRITICAL :Failed to load Manual Mesh c.mesh: IndexData refers to a vertex past vertexCount.",
        "CRITICAL :Failed to Load Material: Nothing.mmat: ShaderProgram has not been set yet. ",
        "CRITICAL :Failed to load Manual Mesh d.mesh: Failed to load Material Nothing.mmat",
        "CRITICAL :Failed to load Manual Mesh e.mesh: VertexData is shorter than vertexCount."};
    EXPECT_EQ(watch.criticalLines(), expected);
    EXPECT_EQ(get<Mesh>("a.mesh")->parts.front().vertexArray, 0u) << "a faulty part gets no vertex array";
    const GLuint firstArray = first->vertexArray;
    EXPECT_NE(firstArray, 0u);
    EXPECT_EQ(second->vertexArray, 0u);

    second->vertexCount = 4;
    EXPECT_EQ(two->ensureLoaded(), Resource::LOADED);
    EXPECT_EQ(first->vertexArray, firstArray);
    EXPECT_NE(second->vertexArray, 0u);
}

} // namespace
} // namespace BV
