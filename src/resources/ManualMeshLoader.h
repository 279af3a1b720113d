#pragma once

#include <string>

#include "resources/ResourceLoader.h"

namespace BV {

struct MeshPart;

// Meshes built in code under names ending in ".mesh": the creator adds the
// parts and fills their arrays once (it knows a new mesh by its empty part
// list), then loading checks and uploads every part.
class ManualMeshLoader : public ResourceLoader {
public:
    Resource* createResource() override;
    // Parts are checked and uploaded in order; the first faulty part fails
    // the mesh and the parts before it keep their upload. A part uploaded
    // by an earlier attempt is not uploaded again.
    void load(Resource* resource) override;
    void destroyResource(Resource* resource) override;

private:
    // Empty when the part may be uploaded, else the reason it may not.
    static std::string checkPart(const MeshPart& part);
};

} // namespace BV
