#include <gtest/gtest.h>

#include <assimp/cimport.h>
#include <assimp/material.h>
#include <assimp/scene.h>

#include <algorithm>
#include <string>

namespace {

const char* const towerPath = "resources/Models/tower0.dae";
const unsigned int importFlags = 0x800B; // tangents, joined vertices, triangles, sorted by type

class TowerModel : public ::testing::Test {
protected:
    void SetUp() override { scene = aiImportFile(towerPath, importFlags); }
    void TearDown() override
    {
        if (scene != nullptr) {
            aiReleaseImport(scene);
        }
    }

    const aiScene* scene = nullptr;
};

TEST_F(TowerModel, ImportsAsOneTriangleMeshWithEverythingTheVertexLayoutNeeds)
{
    ASSERT_NE(nullptr, scene) << aiGetErrorString();
    // The tower is drawn from its first part only, so it must be one mesh.
    ASSERT_EQ(1u, scene->mNumMeshes);
    const aiMesh* mesh = scene->mMeshes[0];
    EXPECT_GT(mesh->mNumVertices, 100u);
    EXPECT_GT(mesh->mNumFaces, 200u);
    EXPECT_LT(mesh->mNumFaces, 2000u);
    EXPECT_TRUE(mesh->HasNormals());
    EXPECT_TRUE(mesh->HasTangentsAndBitangents());
    EXPECT_TRUE(mesh->HasTextureCoords(0));
    for (unsigned int f = 0; f < mesh->mNumFaces; ++f) {
        ASSERT_EQ(3u, mesh->mFaces[f].mNumIndices);
    }
}

TEST_F(TowerModel, MaterialNameSelectsTheTowerShaders)
{
    ASSERT_NE(nullptr, scene);
    ASSERT_GE(scene->mNumMaterials, 1u);
    const aiMaterial* material = scene->mMaterials[scene->mMeshes[0]->mMaterialIndex];
    aiString name;
    ASSERT_EQ(aiReturn_SUCCESS, aiGetMaterialString(material, "?mat.name", 0, 0, &name));
    std::string s = name.C_Str();
    // The importer's rule: cut at the last "-material", split at ";".
    s = s.substr(0, s.rfind("-material"));
    const std::size_t q = s.find(';');
    ASSERT_NE(std::string::npos, q) << name.C_Str();
    EXPECT_EQ("tower", s.substr(0, q));
    EXPECT_EQ("tower", s.substr(q + 1));
    float shininess = 0.0f;
    unsigned int count = 1;
    ASSERT_EQ(aiReturn_SUCCESS, aiGetMaterialFloatArray(material, "$mat.shininess", 0, 0, &shininess, &count));
    EXPECT_EQ(20, static_cast<int>(shininess * 100.0f + 0.5f));
    aiColor4D diffuse;
    EXPECT_EQ(aiReturn_SUCCESS, aiGetMaterialColor(material, "$clr.diffuse", 0, 0, &diffuse));
}

TEST_F(TowerModel, StandsUprightOnItsBaseAfterTheGamesAxisSwap)
{
    ASSERT_NE(nullptr, scene);
    const aiMesh* mesh = scene->mMeshes[0];
    float lo[3] = {1e9f, 1e9f, 1e9f};
    float hi[3] = {-1e9f, -1e9f, -1e9f};
    for (unsigned int i = 0; i < mesh->mNumVertices; ++i) {
        const aiVector3D& p = mesh->mVertices[i];
        const float game[3] = {p.x, p.z, p.y}; // the importer swaps y and z
        for (int k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], game[k]);
            hi[k] = std::max(hi[k], game[k]);
        }
    }
    EXPECT_NEAR(0.0f, lo[1], 1e-4f);  // base on the tile
    EXPECT_NEAR(20.0f, hi[1], 1e-3f); // the height the buildings rise by
    EXPECT_NEAR(-hi[0], lo[0], 0.2f); // centred on the tile
    EXPECT_NEAR(-hi[2], lo[2], 0.2f);
    EXPECT_LT(hi[0] - lo[0], hi[1] - lo[1]); // taller than wide
}

TEST_F(TowerModel, EveryTriangleFacesTheWayItsNormalsPoint)
{
    // Swapping y and z mirrors the model and the importer reverses each
    // triangle to match, so agreement in the file means agreement in the
    // game, where back faces are culled.
    ASSERT_NE(nullptr, scene);
    const aiMesh* mesh = scene->mMeshes[0];
    for (unsigned int f = 0; f < mesh->mNumFaces; ++f) {
        const aiFace& face = mesh->mFaces[f];
        const aiVector3D a = mesh->mVertices[face.mIndices[0]];
        const aiVector3D b = mesh->mVertices[face.mIndices[1]];
        const aiVector3D c = mesh->mVertices[face.mIndices[2]];
        const aiVector3D geometric = (b - a) ^ (c - a);
        const aiVector3D shading =
            mesh->mNormals[face.mIndices[0]] + mesh->mNormals[face.mIndices[1]] + mesh->mNormals[face.mIndices[2]];
        EXPECT_GT(geometric * shading, 0.0f) << "face " << f;
    }
}

} // namespace
