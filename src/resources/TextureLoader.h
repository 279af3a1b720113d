#pragma once

#include "resources/ResourceLoader.h"

namespace BV {

// Loads image files of any format FreeImage reads into 2D textures with a
// full mipmap chain. Also the base of the other texture loaders, which share
// how textures are created and destroyed.
class TextureLoader : public ResourceLoader {
public:
    Resource* createResource() override;
    // Failures leave state 2 and write nothing at the game's log level.
    void load(Resource* resource) override;
    void destroyResource(Resource* resource) override;
};

} // namespace BV
