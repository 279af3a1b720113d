#pragma once

#include "resources/ResourceLoader.h"

namespace BV {

// Loads ".vert" and ".frag" files as compiled shader stages.
class ShaderLoader : public ResourceLoader {
public:
    Resource* createResource() override;
    // The file is found by the resource's name, relative to the working
    // directory; its extension decides the stage.
    void load(Resource* resource) override;
    void destroyResource(Resource* resource) override;
};

} // namespace BV
