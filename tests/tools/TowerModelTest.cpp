#include <gtest/gtest.h>

#include <assimp/cimport.h>
#include <assimp/material.h>
#include <assimp/scene.h>

#include <string>

namespace {

// The game's import: tangents, joined vertices, triangles, sorted by type.
const unsigned int importFlags = 0x800B;

TEST(TowerModel, ImportsAsOneTriangleMeshNamedForTheTowerShaders)
{
    const aiScene* scene = aiImportFile("resources/Models/tower0.dae", importFlags);
    ASSERT_NE(nullptr, scene) << aiGetErrorString();
    // The tower is drawn from its first part only, so it must be one mesh.
    ASSERT_EQ(1u, scene->mNumMeshes);
    const aiMesh* mesh = scene->mMeshes[0];
    EXPECT_GT(mesh->mNumFaces, 200u);
    EXPECT_TRUE(mesh->HasNormals() && mesh->HasTangentsAndBitangents() && mesh->HasTextureCoords(0));
    // "tower;tower-material" asks for tower.vert and tower.frag.
    aiString name;
    EXPECT_EQ(aiReturn_SUCCESS, aiGetMaterialString(scene->mMaterials[mesh->mMaterialIndex], "?mat.name", 0, 0, &name));
    EXPECT_EQ("tower;tower-material", std::string(name.C_Str()));
    aiReleaseImport(scene);
}

} // namespace
