#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <tuple>

#include <assimp/cexport.h>
#include <assimp/cimport.h>
#include <assimp/scene.h>

#include <glm/glm.hpp>

#include "ResourceTestSupport.h"
#include "resources/MeshLoader.h"

namespace BV {
namespace {

using restest::Lines;

struct Vertex {
    glm::vec3 position, normal, texCoord;
    glm::vec4 tangent;
};

class MeshTest : public restest::ResourceTest {
protected:
    // A square of 13-float vertices whose material loads.
    MeshPart* addQuad(Mesh* mesh)
    {
        MeshPart* part = mesh->addPart();
        part->material = get<Material>("Colour.mmat");
        part->material->program =
            writeProgram(restest::passThroughVertex, "#version 330 core\nin vec3 colour;\nout "
                                                     "vec4 f;\nvoid main() { f = vec4(colour, 1); }");
        for (int i = 0; i < 4; ++i)
            part->vertices.insert(part->vertices.end(), {i == 0 || i == 3 ? -1.0f : 1.0f, i < 2 ? -1.0f : 1.0f, 0, 0, 0,
                                                         1, 1, 1, 1, 1, 0, 0, 1});
        part->indices = {0, 1, 2, 0, 2, 3};
        part->vertexCount = 4, part->triangleCount = 2;
        return part;
    }
    Material* materialOf(const std::string& modelPath, int index)
    {
        const auto& cache = manager()->getLoader("mmat")->getResources();
        const auto found = cache.find(modelPath + "_mat_" + std::to_string(index) + ".mmat");
        return found == cache.end() ? nullptr : static_cast<Material*>(found->second);
    }
    // The shader files of material i of a model, none if it has no such material.
    Lines shadersOf(const std::string& modelPath, int index)
    {
        const Material* material = materialOf(modelPath, index);
        return material ? Lines{material->program->getVertexShader()->getName(),
                                material->program->getFragmentShader()->getName()}
                        : Lines{};
    }
    // A model of one triangle per material, all on the vertices (1, 2, 3), (0, 0, 3), (4, 0, 3): a face in the plane z
    // = 3 facing +z, with texture u growing along x and v along y. Every material has diffuse (0.5, 0.25, 1), specular
    // (0.1, 0.2, 0.3) and shininess 0.25. Returns the model's path.
    std::string writeModel(const std::string& file, const Lines& materialNames, const std::string& shininess = "0.25")
    {
        const std::string path = scratch.file(file);
        std::string obj = "mtllib " + path + ".mtl\nv 1 2 3\nv 0 0 3\nv 4 0 3\nvt 0.25 0.5\nvt 0 0\nvt 1 0\nvn 0 0 1\n";
        std::string mtl;
        for (const std::string& name : materialNames) {
            obj += "usemtl " + name + "\nf 1/1/1 2/2/1 3/3/1\n";
            mtl += "newmtl " + name + "\nKd 0.5 0.25 1\nKs 0.1 0.2 0.3\nNs " + shininess + "\n";
        }
        testkit::writeFile(path + ".mtl", mtl);
        testkit::writeFile(path, obj);
        return path;
    }
    // The triangles of the mesh's first part as the GPU holds them, three vertices each; none when the mesh fails or
    // has another number of parts.
    static std::vector<Vertex> readTriangles(Mesh* mesh, std::size_t parts = 1)
    {
        EXPECT_EQ(mesh->ensureLoaded(), Resource::LOADED);
        EXPECT_EQ(mesh->parts.size(), parts);
        if (mesh->parts.size() != parts)
            return {};
        const MeshPart& part = mesh->parts.front();
        std::vector<float> floats(std::size_t{MeshPart::floatsPerVertex} * part.vertexCount);
        std::vector<std::uint32_t> indices(std::size_t{3} * part.triangleCount);
        glBindBuffer(GL_COPY_READ_BUFFER, part.vertexBuffer);
        glGetBufferSubData(GL_COPY_READ_BUFFER, 0, static_cast<GLsizeiptr>(floats.size() * 4), floats.data());
        glBindBuffer(GL_COPY_READ_BUFFER, part.indexBuffer);
        glGetBufferSubData(GL_COPY_READ_BUFFER, 0, static_cast<GLsizeiptr>(indices.size() * 4), indices.data());
        std::vector<Vertex> vertices;
        for (const std::uint32_t index : indices) {
            EXPECT_LT(index, part.vertexCount);
            const float* f = &floats[std::min(index, part.vertexCount - 1) * MeshPart::floatsPerVertex];
            vertices.push_back(
                {{f[0], f[1], f[2]}, {f[3], f[4], f[5]}, {f[6], f[7], f[8]}, {f[9], f[10], f[11], f[12]}});
        }
        return vertices;
    }
};
using MeshLoaderTest = MeshTest;

template <typename V> bool near(const V& actual, const V& expected)
{
    return glm::distance(actual, expected) < 1e-5f;
}

// Part data that would make the GPU read past what the part holds is refused.
TEST_F(MeshTest, FaultyPartDataFailsTheMeshWithoutAVertexArray)
{
    addQuad(get<Mesh>("a.mesh"))->indices.clear();
    addQuad(get<Mesh>("b.mesh"))->indices[5] = 4;
    addQuad(get<Mesh>("c.mesh"))->vertexCount = 5;
    addQuad(get<Mesh>("d.mesh"))->triangleCount = 3;
    MeshPart* noVertices = addQuad(get<Mesh>("e.mesh"));
    noVertices->vertices.clear();
    noVertices->indices.clear(); // only the first missing piece is named
    testkit::LogWatch watch;
    for (const char* name : {"a.mesh", "b.mesh", "c.mesh", "d.mesh", "e.mesh"}) {
        EXPECT_EQ(get<Mesh>(name)->ensureLoaded(), Resource::FAILED) << name;
        EXPECT_EQ(get<Mesh>(name)->parts.front().vertexArray, 0u) << name;
    }
    const std::string failed = "CRITICAL :Failed to load Manual Mesh ";
    EXPECT_EQ(
        watch.criticalLines(),
        (Lines{failed + "a.mesh: IndexData not set.", failed + "b.mesh: IndexData refers to a vertex past vertexCount.",
               failed + "c.mesh: VertexData is shorter than vertexCount.",
               failed + "d.mesh: IndexData is shorter than triangleCount.", failed + "e.mesh: VertexData not set."}));
}

TEST_F(MeshLoaderTest, TurnsTheModelYUpKeepsFrontFacesAndLeavesOutPointsAndLines)
{
    const std::string path = writeModel("face.obj", {"mesh-material", "mesh;mesh"});
    Mesh* mesh = get<Mesh>(path);
    const std::vector<Vertex> triangle = readTriangles(mesh, 2);
    ASSERT_EQ(triangle.size(), 3u);
    EXPECT_TRUE(near(mesh->boundingBox.minimum, {0, 3, 0}));
    EXPECT_TRUE(near(mesh->boundingBox.maximum, {4, 3, 2}));
    // One material per material of the file, each on its own part. Material 0 is the importer's own default, unused
    // here.
    Material* first = materialOf(path, 1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(mesh->parts.back().material, materialOf(path, 2));
    EXPECT_TRUE(near(first->kD, {0.5f, 0.25f, 1.0f}));
    EXPECT_TRUE(near(first->kS, {0.1f, 0.2f, 0.3f}));
    EXPECT_EQ(first->shininess, 25);
    // A damaged shininess never reaches an undefined conversion: held at the bounds, or left as it was.
    const std::pair<const char*, std::int32_t> shininesses[] = {
        {"1e30", INT32_MAX}, {"-1e30", INT32_MIN}, {"nan", Material(nullptr).shininess}};
    for (const auto& [text, expected] : shininesses) {
        const std::string damaged = writeModel(std::string("shininess_") + text + ".obj", {"m"}, text);
        get<Mesh>(damaged)->ensureLoaded();
        EXPECT_EQ(materialOf(damaged, 1)->shininess, expected) << text;
    }
    EXPECT_EQ(mesh->parts.front().material, first);
    // The file's (p0, p1, p2) comes back as (p0, p2, p1), y and z swapped, so still counter-clockwise seen from the
    // front along the normal +y, with the texture coordinates the file gives them.
    const glm::vec3 positions[3] = {{1, 3, 2}, {4, 3, 0}, {0, 3, 0}}, uvs[3] = {{0.25, 0.5, 0}, {1, 0, 0}, {0, 0, 0}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(near(triangle[i].position, positions[i])) << i;
        EXPECT_TRUE(near(triangle[i].texCoord, uvs[i])) << i;
        EXPECT_TRUE(near(triangle[i].normal, {0, 1, 0}));
        // u still grows along x; the swap mirrored the frame, so the bitangent is now -(n x t).
        EXPECT_TRUE(near(triangle[i].tangent, {1, 0, 0, -1}));
    }

    // Points and lines are left out, and vectors the file lacks are zeros.
    testkit::writeFile(scratch.file("bare.obj"), "v 1 2 3\nv 0 0 3\nv 4 0 3\nf 1 2 3\nl 1 2\np 3\n");
    const std::vector<Vertex> bare = readTriangles(get<Mesh>(scratch.file("bare.obj")));
    EXPECT_EQ(bare.size(), 3u);
    for (const Vertex& v : bare)
        EXPECT_EQ(std::tie(v.texCoord, v.normal, v.tangent),
                  std::tuple(glm::vec3(0), glm::vec3(0), glm::vec4(0, 0, 0, 1)));
}

// The game has none of these shaders, so each model fails on its material.
TEST_F(MeshLoaderTest, MaterialNameChoosesTheShaders)
{
    for (const auto& [name, vertexFile, fragmentFile] : {
             std::tuple{"gold-material", "mesh.vert", "gold.frag"},
             std::tuple{"planet;glow", "planet.vert", "glow.frag"},
             std::tuple{"rock-material-material", "mesh.vert", "rock-material.frag"},
         }) {
        SCOPED_TRACE(name);
        const std::string path = writeModel(std::string(fragmentFile) + ".obj", {name});
        testkit::LogWatch log;
        EXPECT_EQ(get<Mesh>(path)->ensureLoaded(), Resource::FAILED);
        ASSERT_FALSE(log.criticalLines().empty());
        EXPECT_EQ(log.criticalLines().back(),
                  "CRITICAL :Failed to load Mesh: " + path + " (Failed to load Material: " + path + "_mat_1.mmat)");
        const std::string folder = "resources/shader/mesh/";
        EXPECT_EQ(shadersOf(path, 1), (Lines{folder + vertexFile, folder + fragmentFile}));
    }
}

// The importer's own exporter keeps a material index the file lacks.
TEST_F(MeshLoaderTest, BrokenModelsFailBeforeAnyPart)
{
    testkit::writeFile(scratch.file("plain.obj"), "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    const aiScene* scene = aiImportFile(scratch.file("plain.obj").c_str(), 0);
    ASSERT_NE(scene, nullptr);
    const_cast<aiScene*>(scene)->mMeshes[0]->mMaterialIndex = scene->mNumMaterials;
    const std::string misnumbered = scratch.file("misnumbered.assbin"), absent = scratch.file("absent.dae");
    ASSERT_EQ(aiExportScene(scene, "assbin", misnumbered.c_str(), 0), aiReturn_SUCCESS);
    aiReleaseImport(scene);
    testkit::LogWatch log;
    EXPECT_EQ(get<Mesh>(absent)->ensureLoaded(), Resource::FAILED);
    // Formats the game does not register are imported through the model loader directly.
    auto* mesh = static_cast<Mesh*>(manager()->getLoader("dae")->getResource(misnumbered));
    EXPECT_EQ(mesh->ensureLoaded(), Resource::FAILED);
    EXPECT_TRUE(mesh->parts.empty());
    EXPECT_EQ(log.criticalLines(),
              (Lines{"CRITICAL :Failed to import Mesh: " + absent,
                     "CRITICAL :Failed to load Mesh: " + misnumbered + " (Material index out of range)"}));
    EXPECT_EQ(materialOf(absent, 0), nullptr);
}

// Paths climb from the model's folder; DirectX files can list several textures of one kind in one material.
TEST_F(MeshLoaderTest, TexturesBecomeNumberedSamplersFoundBesideTheModel)
{
    const std::string tower = "resources/Models/tower.dae";
    for (const auto& [model, texture, resolved] : {
             std::tuple{tower, "../../../wall.dds", "../wall.dds"},
             std::tuple{tower, "/opt/art/wall.dds", "/opt/art/wall.dds"},
             std::tuple{std::string("tower.dae"), "wall.dds", "wall.dds"},
             std::tuple{std::string("../art/tower.dae"), "../../wall.dds", "../../wall.dds"},
         })
        EXPECT_EQ(MeshLoader::resolveTexturePath(model, texture), resolved) << model << " + " << texture;

    // This model's textures climb, lie beside it and follow "./".
    std::filesystem::create_directories(scratch.file("tex")),
        std::filesystem::create_directories(scratch.file("models"));
    for (const char* image : {"tex/d1.png", "models/d2.png", "models/n1.png"})
        restest::writeImage(scratch.file(image), 2, 2, 32, {{255, 255, 255, 255}});
    const std::string path = scratch.file("models/textured.x");
    testkit::writeFile(
        path, "xof 0303txt 0032\nMesh tri {\n 3;\n 1.0;2.0;3.0;,\n 0.0;0.0;0.0;,\n 4.0;0.0;0.0;;\n 1;\n 3;0,1,2;;\n"
              " MeshMaterialList {\n  1;\n  1;\n  0;;\n  Material mesh {\n   1.0;1.0;1.0;1.0;;\n   0.25;\n"
              "   0.5;0.5;0.5;;\n   0.0;0.0;0.0;;\n   TextureFilename { \"../tex/d1.png\"; }\n"
              "   TextureFilename { \"d2.png\"; }\n   NormalmapFilename { \"./n1.png\"; }\n  }\n }\n}\n");
    ASSERT_EQ(manager()->getLoader("dae")->getResource(path)->ensureLoaded(), Resource::LOADED);
    ASSERT_NE(materialOf(path, 0), nullptr);
    std::map<std::string, std::string> samplers;
    for (const auto& [sampler, texture] : materialOf(path, 0)->textures)
        samplers[sampler] = texture->isLoaded() ? texture->getName() : "not loaded";
    EXPECT_EQ(samplers, (std::map<std::string, std::string>{{"diffuse1", scratch.file("tex/d1.png")},
                                                            {"diffuse2", scratch.file("models/d2.png")},
                                                            {"normal1", scratch.file("models/n1.png")}}));
}

// The baked tower is drawn from its first part only, so it has one.
TEST_F(MeshLoaderTest, TowerModelLoadsAsOnePartWithItsOwnShaders)
{
    const std::string path = "resources/Models/tower0.dae";
    Mesh* tower = get<Mesh>(path);
    const std::vector<Vertex> triangles = readTriangles(tower);
    EXPECT_GT(triangles.size(), 600u);
    int textured = 0;
    for (const Vertex& vertex : triangles) {
        EXPECT_NEAR(glm::length(vertex.normal), 1.0f, 1e-3f);
        textured += vertex.texCoord != glm::vec3(0.0f);
    }
    EXPECT_GT(textured, 0);
    ASSERT_EQ(tower->parts.front().material, materialOf(path, 0));
    EXPECT_EQ(shadersOf(path, 0), (Lines{"resources/shader/mesh/tower.vert", "resources/shader/mesh/tower.frag"}));
    EXPECT_NEAR(tower->boundingBox.maximum.y - tower->boundingBox.minimum.y, 20.0f, 1e-3f);
}

} // namespace
} // namespace BV
