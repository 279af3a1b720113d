#include "resources/ShaderProgramLoader.h"

#include "app/Log.h"
#include "resources/ResourceManager.h"
#include "resources/Shader.h"
#include "resources/ShaderProgram.h"

namespace BV {

namespace {

// A file name with another extension than .vert/.frag may reach a loader of
// another kind; such a resource is no shader and leaves the slot empty.
Shader* requestShader(const char* file)
{
    return dynamic_cast<Shader*>(ResourceManager::getInstance()->getResource(file));
}

void fail(ShaderProgram* program, const char* reason)
{
    Log::getInstance().write("Failed to load ShaderProgram: " + program->getName() + reason, CRITICAL);
    program->setState(Resource::FAILED);
}

} // namespace

Resource* ShaderProgramLoader::createResource()
{
    return new ShaderProgram(this);
}

std::string ShaderProgramLoader::programName(const std::string& vertexFile, const std::string& fragmentFile)
{
    return vertexFile + "_" + fragmentFile + ".shdr";
}

ShaderProgram* ShaderProgramLoader::createProgram(const char* vertexFile, const char* fragmentFile)
{
    ShaderProgram* program = static_cast<ShaderProgram*>(getResource(programName(vertexFile, fragmentFile)));
    if (!program->vertexShader) {
        program->vertexShader = requestShader(vertexFile);
    }
    if (!program->fragmentShader) {
        program->fragmentShader = requestShader(fragmentFile);
    }
    return program;
}

void ShaderProgramLoader::load(Resource* resource)
{
    ShaderProgram* program = static_cast<ShaderProgram*>(resource);
    // A linked program has nothing left to load; linking again would be
    // refused and would mark a working program as failed.
    if (program->getHandle() != 0) {
        program->setState(Resource::LOADED);
        return;
    }
    if (!program->vertexShader) {
        fail(program, ": VertexShader has not been set.");
        return;
    }
    if (!program->fragmentShader) {
        fail(program, ": FragmentShader has not been set.");
        return;
    }
    if (program->vertexShader->ensureLoaded() != Resource::LOADED) {
        fail(program, ": VertexShader could not be loaded.");
        return;
    }
    if (program->fragmentShader->ensureLoaded() != Resource::LOADED) {
        fail(program, ": FragmentShader could not be loaded.");
        return;
    }
    program->setState(program->link() ? Resource::LOADED : Resource::FAILED);
}

void ShaderProgramLoader::destroyResource(Resource* resource)
{
    ShaderProgram* program = static_cast<ShaderProgram*>(resource);
    program->vertexShader = nullptr;
    program->fragmentShader = nullptr;
    program->releaseGL();
    delete program;
}

} // namespace BV
