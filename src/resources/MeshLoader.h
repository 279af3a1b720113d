#pragma once

#include <string>

#include "resources/ResourceLoader.h"

namespace BV {

// Imports model files ("dae", "blend", "3ds", "obj", named by their path)
// into meshes: one part per triangle mesh of the file, drawn with one
// material per material of the file. The materials are named
// <model>_mat_<i>.mmat and pick their shaders from the material's name in
// the file: "gold-material" draws with mesh.vert and gold.frag,
// "planet;glow" with planet.vert and glow.frag, an unnamed one with
// mesh.vert and mesh.frag (all under resources/shader/mesh/).
//
// The game is y-up while modelling tools export z-up, so every position,
// normal and tangent has y and z swapped; the swap mirrors the model, so
// every triangle's winding is reversed to keep its front face.
class MeshLoader : public ResourceLoader {
public:
    Resource* createResource() override;
    // Imports the file once; the parts live on the GPU only afterwards.
    // A model that failed may be tried again.
    void load(Resource* resource) override;
    void destroyResource(Resource* resource) override;

    // Where a texture path written in a model file lies, seen from the
    // working directory: it is relative to the model's folder, and each
    // leading "../" climbs one folder ("../textures/wall.dds" beside
    // "resources/Models/tower.dae" is "resources/textures/wall.dds").
    // Leading "./" are dropped and absolute paths are kept.
    static std::string resolveTexturePath(const std::string& modelPath, const std::string& texturePath);
};

} // namespace BV
