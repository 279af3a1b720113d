#pragma once

#include <string>
#include <unordered_map>

namespace BV {

class Resource;

// Creates, loads and destroys the resources of one kind, and keeps every
// resource it created in its cache under the exact requested name.
class ResourceLoader {
public:
    using Cache = std::unordered_map<std::string, Resource*>;

    ResourceLoader() = default;
    // The resource manager deletes loaders through this base.
    virtual ~ResourceLoader();
    ResourceLoader(const ResourceLoader&) = delete;
    ResourceLoader& operator=(const ResourceLoader&) = delete;

    // A new, empty resource of this loader's kind in state 0, owned by the
    // caller until it enters the cache.
    virtual Resource* createResource() = 0;
    // Reads or builds the resource's data; ends in state 1 or 2.
    virtual void load(Resource* resource) = 0;
    virtual void destroyResource(Resource* resource) = 0;
    virtual void unload(Resource*) {}

    // The cached resource of that name, created (not loaded) on first request.
    Resource* getResource(const std::string& name);

    // Destroys every cached resource and empties the cache. The loader
    // itself stays usable; its owner deletes it.
    void release();

    // Everything this loader created, by name; other parts of the game walk
    // it (for instance to change the filters of every image texture).
    const Cache& getResources() const { return resources; }

private:
    Cache resources; // owns the resources
};

} // namespace BV
