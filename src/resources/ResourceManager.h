#pragma once

#include <list>
#include <string>
#include <unordered_map>

#include "app/Singleton.h"

namespace BV {

class Resource;
class ResourceLoader;

// The one place assets are requested by name: a name is routed by its
// extension (the text after its last dot, exact and case-sensitive) to the
// loader registered for it, which keeps one resource per name.
class ResourceManager : public Singleton<ResourceManager> {
public:
    ~ResourceManager() override;

    // Takes ownership of loader unless the extension is already taken, in
    // which case the earlier registration stays and the caller keeps loader.
    // One loader may be registered under several extensions.
    void registerLoader(const std::string& extension, ResourceLoader* loader);

    // The resource of that name, created on first request but never loaded
    // here; null (with a log line) when no loader serves the extension.
    Resource* getResource(const char* name);
    Resource* getResource(const std::string& name) { return getResource(name.c_str()); }

    // The loader registered for the extension (without dot), or null.
    ResourceLoader* getLoader(const char* extension) const;

    // Destroys every resource of every loader, deletes the loaders and
    // forgets all registrations.
    void disposeAll();

    // "a/b.png" -> "png"; a name without a dot is its own extension.
    static std::string extensionOf(const std::string& name);

private:
    friend class Singleton<ResourceManager>;
    ResourceManager() = default;

    std::unordered_map<std::string, ResourceLoader*> loadersByExtension; // not owned through this map
    std::list<ResourceLoader*> loaders; // each loader once, in registration order; owned
};

} // namespace BV
