#include "resources/ShaderLoader.h"

#include <fstream>
#include <sstream>

#include "app/Log.h"
#include "resources/ResourceManager.h"
#include "resources/Shader.h"

namespace BV {

Resource* ShaderLoader::createResource()
{
    return new Shader(this);
}

void ShaderLoader::load(Resource* resource)
{
    Shader* shader = static_cast<Shader*>(resource);
    const std::string& name = shader->getName();
    Log::getInstance().write("Loading Shader " + name, TRACE);
    // A compiled shader has nothing left to load; compiling it again would
    // be refused and would mark a working shader as failed.
    if (shader->isCompiled()) {
        shader->setState(Resource::LOADED);
        return;
    }
    const std::string extension = ResourceManager::extensionOf(name);
    GLenum type = 0;
    if (extension == "vert") {
        type = GL_VERTEX_SHADER;
    } else if (extension == "frag") {
        type = GL_FRAGMENT_SHADER;
    } else {
        Log::getInstance().write("Failed to load Shader: " + name + ": Invalid file ending (Has to be .vert or .frag)",
                                 CRITICAL);
        shader->setState(Resource::FAILED);
        return;
    }
    std::ifstream file(name, std::ios::binary);
    if (!file) {
        Log::getInstance().write("Failed to load Shader: " + name + ": Could not open file.", CRITICAL);
        shader->setState(Resource::FAILED);
        return;
    }
    std::ostringstream text;
    text << file.rdbuf();
    shader->source = text.str();
    shader->type = type;
    shader->setState(shader->compile() ? Resource::LOADED : Resource::FAILED);
}

void ShaderLoader::destroyResource(Resource* resource)
{
    resource->releaseGL();
    delete resource;
}

} // namespace BV
