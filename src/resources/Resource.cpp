#include "resources/Resource.h"

#include "resources/ResourceLoader.h"

namespace BV {

Resource::Resource(ResourceLoader* loader) : loader(loader) {}

int Resource::ensureLoaded()
{
    if (state != LOADED) {
        loader->load(this);
    }
    return state;
}

} // namespace BV
