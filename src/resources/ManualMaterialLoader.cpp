#include "resources/ManualMaterialLoader.h"

#include "app/Log.h"
#include "resources/Material.h"
#include "resources/ShaderProgram.h"
#include "resources/Texture.h"

namespace BV {

namespace {

void fail(Material* material, const std::string& reason)
{
    Log::getInstance().write("Failed to Load Material: " + material->getName() + ": " + reason, CRITICAL);
    material->setState(Resource::FAILED);
}

} // namespace

Resource* ManualMaterialLoader::createResource()
{
    return new Material(this);
}

void ManualMaterialLoader::load(Resource* resource)
{
    Material* material = static_cast<Material*>(resource);
    for (const auto& entry : material->textures) {
        if (entry.second->ensureLoaded() != Resource::LOADED) {
            fail(material, "Failed to load Texture: " + entry.second->getName());
            return;
        }
    }
    if (!material->program) {
        fail(material, "ShaderProgram has not been set yet. ");
        return;
    }
    if (material->program->ensureLoaded() != Resource::LOADED) {
        fail(material, "Failed to load ShaderProgram: " + material->program->getName());
        return;
    }
    material->setState(Resource::LOADED);
}

void ManualMaterialLoader::destroyResource(Resource* resource)
{
    Material* material = static_cast<Material*>(resource);
    material->textures.clear();
    material->program = nullptr;
    delete material;
}

} // namespace BV
