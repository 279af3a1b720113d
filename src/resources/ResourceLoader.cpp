#include "resources/ResourceLoader.h"

#include "app/Log.h"
#include "resources/Resource.h"

namespace BV {

ResourceLoader::~ResourceLoader()
{
    // Only a loader whose resources were released is ever deleted; anything
    // still cached at this point has no other owner.
    for (auto& entry : resources) {
        delete entry.second;
    }
}

Resource* ResourceLoader::getResource(const std::string& name)
{
    const auto it = resources.find(name);
    if (it != resources.end()) {
        return it->second;
    }
    Log::getInstance().write("Creating Resource: " + name, TRACE);
    Resource* resource = createResource();
    resource->setName(name);
    resources.emplace(name, resource);
    return resource;
}

void ResourceLoader::release()
{
    // destroyResource must not look into the cache: it is swapped out first.
    Cache doomed;
    doomed.swap(resources);
    for (auto& entry : doomed) {
        destroyResource(entry.second);
    }
}

} // namespace BV
