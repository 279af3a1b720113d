#pragma once

#include <string>

#include "resources/TextureLoader.h"

namespace BV {

// Assembles cube-map textures from ".xcm" lists: plain text whose first six
// lines are the face image paths (relative to the working directory, taken
// whole, trailing blanks included) for +X, -X, +Y, -Y, +Z and -Z. Later
// lines are ignored; a missing line is an empty face name.
class CubeMapLoader : public TextureLoader {
public:
    void load(Resource* resource) override;

private:
    // Uploads one face image (0 = +X ... 5 = -Z) into the bound cube map.
    static bool uploadFace(const char* file, int face);
};

} // namespace BV
