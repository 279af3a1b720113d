#include "resources/ResourceManager.h"

#include <algorithm>

#include "app/Log.h"
#include "resources/ResourceLoader.h"

namespace BV {

ResourceManager::~ResourceManager()
{
    disposeAll();
}

void ResourceManager::registerLoader(const std::string& extension, ResourceLoader* loader)
{
    if (loadersByExtension.count(extension) != 0) {
        Log::getInstance().write("There is already a Loader registered for " + extension, CRITICAL);
        return;
    }
    if (std::find(loaders.begin(), loaders.end(), loader) == loaders.end()) {
        loaders.push_back(loader);
    }
    loadersByExtension[extension] = loader;
}

Resource* ResourceManager::getResource(const char* name)
{
    // A string cannot be built from a null pointer; refuse before trying.
    if (!name) {
        Log::getInstance().write("Failed to get Resource: No name given.", CRITICAL);
        return nullptr;
    }
    const std::string fullName = name;
    const auto it = loadersByExtension.find(extensionOf(fullName));
    if (it == loadersByExtension.end()) {
        Log::getInstance().write("Could not find Loader for " + fullName, CRITICAL);
        return nullptr;
    }
    return it->second->getResource(fullName);
}

ResourceLoader* ResourceManager::getLoader(const char* extension) const
{
    if (!extension) {
        return nullptr;
    }
    const auto it = loadersByExtension.find(extension);
    return it == loadersByExtension.end() ? nullptr : it->second;
}

void ResourceManager::disposeAll()
{
    // Resources of one loader may refer to those of another (a material to
    // its textures), so every cache is emptied before any loader goes away.
    for (ResourceLoader* loader : loaders) {
        loader->release();
    }
    for (ResourceLoader* loader : loaders) {
        delete loader;
    }
    loaders.clear();
    loadersByExtension.clear();
}

std::string ResourceManager::extensionOf(const std::string& name)
{
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(dot + 1);
}

} // namespace BV
