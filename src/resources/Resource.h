#pragma once

#include <string>

namespace BV {

class ResourceLoader;

// One named asset of the game (shader, program, texture, material, mesh).
// It is created empty by the loader of its name's extension and filled when
// a user first asks for it to be loaded; it lives until shutdown.
class Resource {
public:
    enum State : int {
        NOT_LOADED = 0,
        LOADED = 1,
        FAILED = 2,
    };

    explicit Resource(ResourceLoader* loader);
    // Loaders delete their resources through this base.
    virtual ~Resource() = default;
    Resource(const Resource&) = delete;
    Resource& operator=(const Resource&) = delete;

    // Frees the OpenGL objects the resource holds; a no-op for kinds that
    // hold none. The GL context must be current.
    virtual void releaseGL() {}

    // Asks the resource's own loader to load it unless it already is, and
    // returns the resulting state. A failed resource is tried again on
    // every call.
    int ensureLoaded();

    bool isLoaded() const { return state == LOADED; }
    int getState() const { return state; }
    void setState(int newState) { state = newState; }
    const std::string& getName() const { return name; }
    void setName(const std::string& newName) { name = newName; }
    ResourceLoader* getLoader() const { return loader; }

private:
    ResourceLoader* loader; // not owned: the loader owns us
    int state = NOT_LOADED;
    // Exactly as requested; two spellings of one path are two resources.
    std::string name;
};

} // namespace BV
