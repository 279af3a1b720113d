#pragma once

#include "resources/ResourceLoader.h"

namespace BV {

// Creates the empty materials behind ".mmat" names. Loading a material reads
// no file: it loads what the material refers to (textures first, then the
// program) and fails on the first of them that does not load.
class ManualMaterialLoader : public ResourceLoader {
public:
    Resource* createResource() override;
    void load(Resource* resource) override;
    // The material's textures and program belong to their own loaders.
    void destroyResource(Resource* resource) override;
};

} // namespace BV
