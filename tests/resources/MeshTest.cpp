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
    restest::drawToCorner(32, 16);
    glUseProgram(colourMaterial()->program->getHandle());
    for (MeshPart& part : mesh->parts) {
        part.material->bind();
        glBindVertexArray(part.vertexArray);
        glDrawElements(GL_TRIANGLES, part.getIndexCount(), GL_UNSIGNED_INT, nullptr);
    }
    glBindVertexArray(0);
    glUseProgram(0);
    EXPECT_EQ(restest::pixel(8, 8), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(restest::pixel(24, 8), (Rgba{0, 0, 255, 255}));
    testkit::savePng("resources_manual_mesh.png", 32, 16, testkit::readPixels(0, 0, 32, 16));
}

// Part data that would make the GPU read past what the part holds is refused.
TEST_F(MeshTest, FaultyPartDataFailsTheMeshWithoutAVertexArray)
{
    addQuad(get<Mesh>("a.mesh"), -1, 1)->indices.clear();
    addQuad(get<Mesh>("b.mesh"), -1, 1)->indices[5] = 4;
    addQuad(get<Mesh>("c.mesh"), -1, 1)->vertexCount = 5;
    addQuad(get<Mesh>("d.mesh"), -1, 1)->triangleCount = 3;
    MeshPart* noVertices = addQuad(get<Mesh>("e.mesh"), -1, 1);
    noVertices->vertices.clear();
    noVertices->indices.clear(); // only the first missing piece is named
    testkit::LogWatch watch;
    for (const char* name : {"a.mesh", "b.mesh", "c.mesh", "d.mesh", "e.mesh"}) {
        EXPECT_EQ(get<Mesh>(name)->ensureLoaded(), Resource::FAILED) << name;
        EXPECT_EQ(get<Mesh>(name)->parts.front().vertexArray, 0u) << name;
    }
    const std::vector<std::string> expected = {
        "CRITICAL :Failed to load Manual Mesh a.mesh: IndexData not set.",
        "CRITICAL :Failed to load Manual Mesh b.mesh: IndexData refers to a vertex past vertexCount.",
        "CRITICAL :Failed to load Manual Mesh c.mesh: VertexData is shorter than vertexCount.",
        "CRITICAL :Failed to load Manual Mesh d.mesh: IndexData is shorter than triangleCount.",
        "CRITICAL :Failed to load Manual Mesh e.mesh: VertexData not set."};
    EXPECT_EQ(watch.criticalLines(), expected);
}

} // namespace
} // namespace BV
