#include "resources/ManualMeshLoader.h"

#include "app/Log.h"
#include "resources/Material.h"
#include "resources/Mesh.h"

namespace BV {

Resource* ManualMeshLoader::createResource()
{
    return new Mesh(this);
}

std::string ManualMeshLoader::checkPart(const MeshPart& part)
{
    if (!part.material) {
        return "Material not set.";
    }
    if (part.material->ensureLoaded() != Resource::LOADED) {
        return "Failed to load Material " + part.material->getName();
    }
    if (part.vertices.empty()) {
        return "VertexData not set.";
    }
    if (part.indices.empty()) {
        return "IndexData not set.";
    }
    // The upload copies vertexCount vertices and triangleCount triangles
    // from the arrays, and the GPU follows every index: none may point past
    // what is there.
    if (part.vertices.size() < std::size_t{MeshPart::floatsPerVertex} * part.vertexCount) {
        return "VertexData is shorter than vertexCount.";
    }
    if (part.indices.size() < std::size_t{3} * part.triangleCount) {
        return "IndexData is shorter than triangleCount.";
    }
    for (std::size_t i = 0; i < std::size_t{3} * part.triangleCount; ++i) {
        if (part.indices[i] >= part.vertexCount) {
            return "IndexData refers to a vertex past vertexCount.";
        }
    }
    return std::string();
}

void ManualMeshLoader::load(Resource* resource)
{
    Mesh* mesh = static_cast<Mesh*>(resource);
    for (MeshPart& part : mesh->parts) {
        if (part.vertexArray != 0) {
            continue;
        }
        const std::string fault = checkPart(part);
        if (!fault.empty()) {
            Log::getInstance().write("Failed to load Manual Mesh " + mesh->getName() + ": " + fault, CRITICAL);
            mesh->setState(Resource::FAILED);
            return;
        }
        part.upload();
    }
    mesh->setState(Resource::LOADED);
}

void ManualMeshLoader::destroyResource(Resource* resource)
{
    resource->releaseGL();
    delete resource;
}

} // namespace BV
