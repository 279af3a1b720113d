#include <malloc.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <glm/glm.hpp>
#include <gtest/gtest.h>

#include "ResourceTestSupport.h"
#include "resources/Material.h"
#include "resources/Mesh.h"
#include "resources/MeshLoader.h"
#include "resources/Shader.h"
#include "resources/ShaderProgram.h"
#include "resources/Texture.h"

#if defined(__SANITIZE_ADDRESS__)
// From the address sanitizer's runtime; GCC ships no header for it.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace BV {
namespace {

using testkit::LogWatch;
using testkit::writeFile;

// A Collada model with one triangle per material, all on the three vertices
// (1, 2, 3), (0, 0, 3), (4, 0, 3): a face in the plane z = 3 facing +z, whose
// texture u grows along x and v along y. Every material has the diffuse
// colour (0.5, 0.25, 1), the specular colour (0.1, 0.2, 0.3) and shininess
// 0.25.
std::string collada(const std::vector<std::string>& materialNames)
{
    std::string effects, materials, triangles, bindings;
    for (std::size_t i = 0; i < materialNames.size(); ++i) {
        const std::string n = std::to_string(i);
        effects += "<effect id=\"e" + n +
                   "\"><profile_COMMON><technique sid=\"common\"><phong>"
                   "<diffuse><color>0.5 0.25 1 1</color></diffuse>"
                   "<specular><color>0.1 0.2 0.3 1</color></specular>"
                   "<shininess><float>0.25</float></shininess>"
                   "</phong></technique></profile_COMMON></effect>\n";
        materials += "<material id=\"m" + n + "\" name=\"" + materialNames[i] + "\"><instance_effect url=\"#e" + n +
                     "\"/></material>\n";
        triangles += "<triangles material=\"s" + n +
                     "\" count=\"1\">"
                     "<input semantic=\"VERTEX\" source=\"#g-v\" offset=\"0\"/>"
                     "<input semantic=\"NORMAL\" source=\"#g-n\" offset=\"1\"/>"
                     "<input semantic=\"TEXCOORD\" source=\"#g-t\" offset=\"2\" set=\"0\"/>"
                     "<p>0 0 0 1 1 1 2 2 2</p></triangles>\n";
        bindings += "<instance_material symbol=\"s" + n + "\" target=\"#m" + n + "\"/>\n";
    }
    const auto source = [](const std::string& id, const std::string& values, int stride, const char* params) {
        return "<source id=\"" + id + "\"><float_array id=\"" + id + "-a\" count=\"" + std::to_string(3 * stride) +
               "\">" + values + "</float_array><technique_common><accessor source=\"#" + id +
               "-a\" count=\"3\" stride=\"" + std::to_string(stride) + "\">" + params +
               "</accessor></technique_common></source>\n";
    };
    const char* xyz = "<param name=\"X\" type=\"float\"/><param name=\"Y\" type=\"float\"/>"
                      "<param name=\"Z\" type=\"float\"/>";
    const char* st = "<param name=\"S\" type=\"float\"/><param name=\"T\" type=\"float\"/>";
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<COLLADA xmlns=\"http://www.collada.org/2005/11/COLLADASchema\" version=\"1.4.1\">\n"
           "<asset><up_axis>Z_UP</up_axis></asset>\n"
           "<library_effects>\n" +
           effects + "</library_effects>\n<library_materials>\n" + materials +
           "</library_materials>\n<library_geometries><geometry id=\"g\"><mesh>\n" +
           source("g-p", "1 2 3  0 0 3  4 0 3", 3, xyz) + source("g-n", "0 0 1  0 0 1  0 0 1", 3, xyz) +
           source("g-t", "0.25 0.5  0 0  1 0", 2, st) +
           "<vertices id=\"g-v\"><input semantic=\"POSITION\" source=\"#g-p\"/></vertices>\n" + triangles +
           "</mesh></geometry></library_geometries>\n"
           "<library_visual_scenes><visual_scene id=\"S\"><node id=\"n\"><instance_geometry url=\"#g\">"
           "<bind_material><technique_common>\n" +
           bindings +
           "</technique_common></bind_material></instance_geometry></node></visual_scene>"
           "</library_visual_scenes>\n<scene><instance_visual_scene url=\"#S\"/></scene>\n</COLLADA>\n";
}

struct Vertex {
    glm::vec3 position, normal, texCoord;
    glm::vec4 tangent;
};

std::vector<Vertex> readVertices(const MeshPart& part)
{
    std::vector<float> floats(std::size_t{MeshPart::floatsPerVertex} * part.vertexCount);
    glBindBuffer(GL_COPY_READ_BUFFER, part.vertexBuffer);
    glGetBufferSubData(GL_COPY_READ_BUFFER, 0, static_cast<GLsizeiptr>(floats.size() * sizeof(float)), floats.data());
    std::vector<Vertex> vertices;
    for (std::size_t i = 0; i < floats.size(); i += MeshPart::floatsPerVertex) {
        const float* f = &floats[i];
        vertices.push_back({{f[0], f[1], f[2]}, {f[3], f[4], f[5]}, {f[6], f[7], f[8]}, {f[9], f[10], f[11], f[12]}});
    }
    return vertices;
}

std::vector<std::uint32_t> readIndices(const MeshPart& part)
{
    std::vector<std::uint32_t> indices(std::size_t{3} * part.triangleCount);
    glBindBuffer(GL_COPY_READ_BUFFER, part.indexBuffer);
    glGetBufferSubData(GL_COPY_READ_BUFFER, 0, static_cast<GLsizeiptr>(indices.size() * sizeof(std::uint32_t)),
                       indices.data());
    return indices;
}

::testing::AssertionResult near(const glm::vec4& actual, const glm::vec4& expected)
{
    if (glm::all(glm::lessThan(glm::abs(actual - expected), glm::vec4(1e-5f)))) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "(" << actual.x << ", " << actual.y << ", " << actual.z << ", " << actual.w
                                         << ") is not (" << expected.x << ", " << expected.y << ", " << expected.z
                                         << ", " << expected.w << ")";
}

::testing::AssertionResult near(const glm::vec3& actual, const glm::vec3& expected)
{
    return near(glm::vec4(actual, 0.0f), glm::vec4(expected, 0.0f));
}

// Heap bytes in use, as the allocator in charge counts them.
std::size_t heapInUse()
{
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

class MeshLoaderTest : public restest::ResourceTest {
protected:
    // Formats the game does not register are imported through the model
    // loader directly.
    Mesh* model(const std::string& file)
    {
        return static_cast<Mesh*>(manager()->getLoader("dae")->getResource(scratch.file(file)));
    }
    Material* materialOf(const std::string& modelPath, int index)
    {
        const std::string name = modelPath + "_mat_" + std::to_string(index) + ".mmat";
        const auto& cache = manager()->getLoader("mmat")->getResources();
        const auto found = cache.find(name);
        return found == cache.end() ? nullptr : static_cast<Material*>(found->second);
    }
    static std::vector<std::string> shadersOf(const Material* material)
    {
        return {material->program->getVertexShader()->getName(), material->program->getFragmentShader()->getName()};
    }
};

TEST_F(MeshLoaderTest, TurnsTheModelYUpAndKeepsItsFacesFrontFacing)
{
    const std::string path = scratch.file("face.dae");
    writeFile(path, collada({"mesh-material", "mesh-material"}));
    Mesh* mesh = get<Mesh>(path);
    ASSERT_EQ(mesh->ensureLoaded(), Resource::LOADED);
    ASSERT_EQ(mesh->parts.size(), 2u);
    const MeshPart& part = mesh->parts.front();
    EXPECT_EQ(part.vertexCount, 3u);
    EXPECT_EQ(part.triangleCount, 1u);
    EXPECT_TRUE(part.vertices.empty() && part.indices.empty()) << "the model lives on the GPU only";
    EXPECT_TRUE(near(mesh->boundingBox.minimum, {0, 3, 0}));
    EXPECT_TRUE(near(mesh->boundingBox.maximum, {4, 3, 2}));

    const std::vector<Vertex> vertices = readVertices(part);
    const std::vector<std::uint32_t> indices = readIndices(part);
    ASSERT_EQ(indices.size(), 3u);
    ASSERT_LT(*std::max_element(indices.begin(), indices.end()), vertices.size());
    // The file's (p0, p1, p2) comes back as (p0, p2, p1), y and z swapped.
    EXPECT_TRUE(near(vertices[indices[0]].position, {1, 3, 2}));
    EXPECT_TRUE(near(vertices[indices[1]].position, {4, 3, 0}));
    EXPECT_TRUE(near(vertices[indices[2]].position, {0, 3, 0}));
    EXPECT_TRUE(near(vertices[indices[0]].texCoord, {0.25f, 0.5f, 0}));
    const glm::vec3 a = vertices[indices[0]].position;
    const glm::vec3 faceNormal = glm::cross(vertices[indices[1]].position - a, vertices[indices[2]].position - a);
    for (const Vertex& vertex : vertices) {
        EXPECT_TRUE(near(vertex.normal, {0, 1, 0}));
        EXPECT_GT(glm::dot(faceNormal, vertex.normal), 0.0f) << "counter-clockwise seen from the front";
        // u still grows along x; the swap mirrored the frame, so the
        // bitangent is now -(n x t).
        EXPECT_TRUE(near(vertex.tangent, {1, 0, 0, -1}));
    }

    // One material per material of the file, each on its own part.
    Material* first = materialOf(path, 0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(part.material, first);
    EXPECT_EQ(mesh->parts.back().material, materialOf(path, 1));
    EXPECT_TRUE(near(first->kD, {0.5f, 0.25f, 1.0f}));
    EXPECT_TRUE(near(first->kS, {0.1f, 0.2f, 0.3f}));
    EXPECT_EQ(first->shininess, 25);

    // Loading a loaded model again must not add its parts a second time.
    mesh->getLoader()->load(mesh);
    EXPECT_EQ(mesh->parts.size(), 2u);
}

TEST_F(MeshLoaderTest, MaterialNameChoosesTheShaders)
{
    const std::string mesh = "resources/shader/mesh/";
    for (const auto& [name, vertexFile, fragmentFile] : {
             std::tuple{"gold-material", "mesh.vert", "gold.frag"},
             std::tuple{"planet;glow", "planet.vert", "glow.frag"},
             std::tuple{"rock-material-material", "mesh.vert", "rock-material.frag"},
         }) {
        SCOPED_TRACE(name);
        const std::string path = scratch.file(std::string(vertexFile) + fragmentFile + ".dae");
        writeFile(path, collada({name}));
        Mesh* model = get<Mesh>(path);
        LogWatch log;
        EXPECT_EQ(model->ensureLoaded(), Resource::FAILED) << "the game has no such shaders";
        ASSERT_FALSE(log.criticalLines().empty());
        EXPECT_EQ(log.criticalLines().back(),
                  "CRITICAL :Failed to load Mesh: " + path + " (Failed to load Material: " + path + "_mat_0.mmat)");
        EXPECT_TRUE(model->parts.empty());
        Material* material = materialOf(path, 0);
        ASSERT_NE(material, nullptr);
        EXPECT_EQ(shadersOf(material), (std::vector<std::string>{mesh + vertexFile, mesh + fragmentFile}));
    }
}

TEST_F(MeshLoaderTest, BareObjLoadsWithDefaultShadersAndOnlyItsTriangles)
{
    // No normals, no texture coordinates, no material library; a line and a
    // point beside the triangle.
    const std::string path = scratch.file("bare.obj");
    writeFile(path, "v 1 2 3\nv 0 0 0\nv 4 0 0\nv 5 5 5\nv 6 6 6\nf 1 2 3\nl 4 5\np 4\n");
    Mesh* mesh = get<Mesh>(path);
    ASSERT_EQ(mesh->ensureLoaded(), Resource::LOADED);
    ASSERT_EQ(mesh->parts.size(), 1u);
    EXPECT_EQ(mesh->parts.front().triangleCount, 1u);
    EXPECT_TRUE(near(mesh->boundingBox.minimum, {0, 0, 0}));
    EXPECT_TRUE(near(mesh->boundingBox.maximum, {4, 3, 2})) << "lines and points are not drawn";
    for (const Vertex& vertex : readVertices(mesh->parts.front())) {
        EXPECT_TRUE(near(vertex.normal, {0, 0, 0}));
        EXPECT_TRUE(near(vertex.texCoord, {0, 0, 0}));
        EXPECT_TRUE(near(vertex.tangent, {0, 0, 0, 1}));
    }
    Material* material = mesh->parts.front().material;
    ASSERT_EQ(material, materialOf(path, 0));
    EXPECT_EQ(shadersOf(material),
              (std::vector<std::string>{"resources/shader/mesh/mesh.vert", "resources/shader/mesh/mesh.frag"}));
}

TEST_F(MeshLoaderTest, TexturesBecomeNumberedSamplersFoundBesideTheModel)
{
    std::filesystem::create_directories(scratch.file("tex"));
    std::filesystem::create_directories(scratch.file("models"));
    const auto white = [](int, int) { return restest::Rgba{255, 255, 255, 255}; };
    for (const char* image : {"tex/d1.png", "models/d2.png", "models/n1.png"}) {
        restest::writeImage(scratch.file(image), 2, 2, 32, white);
    }
    // DirectX files can list several textures of one kind in one material.
    writeFile(scratch.file("models/textured.x"), "xof 0303txt 0032\n"
                                                 "Mesh tri {\n 3;\n 1.0;2.0;3.0;,\n 0.0;0.0;0.0;,\n 4.0;0.0;0.0;;\n"
                                                 " 1;\n 3;0,1,2;;\n"
                                                 " MeshMaterialList {\n  1;\n  1;\n  0;;\n"
                                                 "  Material mesh {\n   1.0;1.0;1.0;1.0;;\n   0.25;\n"
                                                 "   0.5;0.5;0.5;;\n   0.0;0.0;0.0;;\n"
                                                 "   TextureFilename { \"../tex/d1.png\"; }\n"
                                                 "   TextureFilename { \"d2.png\"; }\n"
                                                 "   NormalmapFilename { \"./n1.png\"; }\n"
                                                 "  }\n }\n}\n");
    Mesh* mesh = model("models/textured.x");
    ASSERT_EQ(mesh->ensureLoaded(), Resource::LOADED);
    Material* material = materialOf(scratch.file("models/textured.x"), 0);
    ASSERT_NE(material, nullptr);
    std::vector<std::pair<std::string, std::string>> samplers;
    for (const auto& [sampler, texture] : material->textures) {
        EXPECT_TRUE(texture->isLoaded());
        samplers.emplace_back(sampler, texture->getName());
    }
    std::sort(samplers.begin(), samplers.end());
    EXPECT_EQ(samplers, (std::vector<std::pair<std::string, std::string>>{
                            {"diffuse1", scratch.file("tex/d1.png")},
                            {"diffuse2", scratch.file("models/d2.png")},
                            {"normal1", scratch.file("models/n1.png")},
                        }));
}

TEST_F(MeshLoaderTest, TexturePathsClimbFromTheModelsFolder)
{
    const std::string tower = "resources/Models/tower.dae";
    EXPECT_EQ(MeshLoader::resolveTexturePath(tower, "../textures/wall.dds"), "resources/textures/wall.dds");
    EXPECT_EQ(MeshLoader::resolveTexturePath(tower, "wall.dds"), "resources/Models/wall.dds");
    EXPECT_EQ(MeshLoader::resolveTexturePath(tower, "./wall.dds"), "resources/Models/wall.dds");
    EXPECT_EQ(MeshLoader::resolveTexturePath(tower, "../../../wall.dds"), "../wall.dds");
    EXPECT_EQ(MeshLoader::resolveTexturePath(tower, "/opt/art/wall.dds"), "/opt/art/wall.dds");
    EXPECT_EQ(MeshLoader::resolveTexturePath("tower.dae", "wall.dds"), "wall.dds");
    EXPECT_EQ(MeshLoader::resolveTexturePath("../art/tower.dae", "../../wall.dds"), "../../wall.dds");
}

TEST_F(MeshLoaderTest, MissingFileFailsBeforeAnyMaterial)
{
    const std::string path = scratch.file("absent.dae");
    Mesh* mesh = get<Mesh>(path);
    LogWatch log;
    EXPECT_EQ(mesh->ensureLoaded(), Resource::FAILED);
    EXPECT_EQ(log.criticalLines(), std::vector<std::string>{"CRITICAL :Failed to import Mesh: " + path});
    EXPECT_EQ(mesh->getState(), Resource::FAILED);
    EXPECT_TRUE(mesh->parts.empty());
    EXPECT_EQ(materialOf(path, 0), nullptr);
}

TEST_F(MeshLoaderTest, FailedMaterialStillReleasesTheImport)
{
    // Big enough that keeping one imported copy per attempt would show far
    // above the allocator's noise.
    std::string obj = "mtllib big.mtl\nusemtl gold-material\n";
    const int triangles = 3000;
    for (int i = 0; i < triangles; ++i) {
        const std::string x = std::to_string(i);
        obj += "v " + x + " 0 0\nv " + x + " 1 0\nv " + x + " 0 1\n";
    }
    for (int i = 0; i < triangles; ++i) {
        obj +=
            "f " + std::to_string(3 * i + 1) + " " + std::to_string(3 * i + 2) + " " + std::to_string(3 * i + 3) + "\n";
    }
    writeFile(scratch.file("big.obj"), obj);
    writeFile(scratch.file("big.mtl"), "newmtl gold-material\nKd 1 1 1\n");
    Mesh* mesh = get<Mesh>(scratch.file("big.obj"));
    ASSERT_EQ(mesh->ensureLoaded(), Resource::FAILED);
    const std::size_t before = heapInUse();
    for (int attempt = 0; attempt < 10; ++attempt) {
        ASSERT_EQ(mesh->ensureLoaded(), Resource::FAILED);
    }
    // One kept import is over 100 kB (9000 positions alone are 108 kB).
    EXPECT_LT(heapInUse(), before + 100 * 1024);
    EXPECT_TRUE(mesh->parts.empty());
}

TEST_F(MeshLoaderTest, TowerModelLoadsWithItsOwnShaders)
{
    const std::string path = "resources/Models/tower0.dae";
    Mesh* tower = get<Mesh>(path);
    ASSERT_NE(tower, nullptr);
    LogWatch log;
    ASSERT_EQ(tower->ensureLoaded(), Resource::LOADED);
    EXPECT_TRUE(log.criticalLines().empty());
    ASSERT_FALSE(tower->parts.empty());
    Material* material = tower->parts.front().material;
    ASSERT_EQ(material, materialOf(path, 0));
    EXPECT_EQ(material->program->getState(), Resource::LOADED);
    EXPECT_NE(material->program->getHandle(), 0u);
    EXPECT_EQ(shadersOf(material),
              (std::vector<std::string>{"resources/shader/mesh/tower.vert", "resources/shader/mesh/tower.frag"}));
    EXPECT_NEAR(tower->boundingBox.maximum.y - tower->boundingBox.minimum.y, 20.0f, 1e-3f);
}

} // namespace
} // namespace BV
