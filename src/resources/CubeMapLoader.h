#pragma once

#include <string>
#include <unordered_set>

#include "resources/TextureLoader.h"

namespace BV {

// Assembles cube-map textures from ".xcm" lists: plain text whose first six
// lines are the face image paths (relative to the working directory, taken
// whole, trailing blanks included) for +X, -X, +Y, -Y, +Z and -Z. Later
// lines are ignored; a missing line is an empty face name. All six faces
// must be squares of one size.
class CubeMapLoader : public TextureLoader {
public:
    void load(Resource* resource) override;

private:
    // Uploads one face image (0 = +X ... 5 = -Z) into the bound cube map.
    // Every face must be a square of the first face's size: `side` is 0
    // before the first face and its size afterwards. Returns why the face
    // failed, or nothing.
    static std::string uploadFace(const std::string& file, int face, int& side);
    // Writes a failure line unless this loader has written it before: every
    // user of a failed cube map retries the load, and the log should say
    // each fault once.
    void writeFailure(const std::string& line);

    std::unordered_set<std::string> writtenFailures;
};

} // namespace BV
