#include <gtest/gtest.h>

#include <assimp/cimport.h>
#include <assimp/material.h>
#include <assimp/scene.h>

#include <algorithm>
#include <string>

namespace {

// The game's import: tangents, joined vertices, triangles, sorted by type.
const unsigned int importFlags = 0x800B;

TEST(TowerModel, ImportsAsOneUprightTriangleMeshNamedForTheTowerShaders)
{
    const aiScene* scene = aiImportFile("resources/Models/tower0.dae", importFlags);
    ASSERT_NE(nullptr, scene) << aiGetErrorString();
    // The tower is drawn from its first part only, so it must be one mesh.
    ASSERT_EQ(1u, scene->mNumMeshes);
    const aiMesh* mesh = scene->mMeshes[0];
    EXPECT_GT(mesh->mNumFaces, 200u);
    EXPECT_LT(mesh->mNumFaces, 2000u);
    EXPECT_TRUE(mesh->HasNormals() && mesh->HasTangentsAndBitangents() && mesh->HasTextureCoords(0));

    // The game swaps y and z: the tower stands on its base, 20 units tall,
    // centred on the tile and taller than wide.
    aiVector3D lo(1e9f), hi(-1e9f);
    for (unsigned int i = 0; i < mesh->mNumVertices; ++i) {
        const aiVector3D p(mesh->mVertices[i].x, mesh->mVertices[i].z, mesh->mVertices[i].y);
        lo = aiVector3D(std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z));
        hi = aiVector3D(std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z));
    }
    EXPECT_NEAR(0.0f, lo.y, 1e-4f);
    EXPECT_NEAR(20.0f, hi.y, 1e-3f);
    EXPECT_NEAR(-hi.x, lo.x, 0.2f);
    EXPECT_NEAR(-hi.z, lo.z, 0.2f);
    EXPECT_LT(hi.x - lo.x, hi.y - lo.y);

    // "tower;tower-material" asks for tower.vert and tower.frag.
    aiString name;
    const aiMaterial* material = scene->mMaterials[mesh->mMaterialIndex];
    ASSERT_EQ(aiReturn_SUCCESS, aiGetMaterialString(material, "?mat.name", 0, 0, &name));
    EXPECT_EQ("tower;tower-material", std::string(name.C_Str()));
    float shininess = 0.0f;
    unsigned int count = 1;
    ASSERT_EQ(aiReturn_SUCCESS, aiGetMaterialFloatArray(material, "$mat.shininess", 0, 0, &shininess, &count));
    EXPECT_NEAR(0.2f, shininess, 1e-4f);
    aiReleaseImport(scene);
}

} // namespace
