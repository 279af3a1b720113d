#include "resources/Loaders.h"

#include <initializer_list>

#include "resources/CubeMapLoader.h"
#include "resources/ManualMaterialLoader.h"
#include "resources/ManualMeshLoader.h"
#include "resources/ManualTextureLoader.h"
#include "resources/MeshLoader.h"
#include "resources/ResourceManager.h"
#include "resources/ShaderLoader.h"
#include "resources/ShaderProgramLoader.h"
#include "resources/TextureLoader.h"

namespace BV {

namespace {

void registerAll(ResourceLoader* loader, std::initializer_list<const char*> extensions)
{
    for (const char* extension : extensions) {
        ResourceManager::getInstance()->registerLoader(extension, loader);
    }
}

} // namespace

// One loader object per kind, each owned by the resource manager. The
// extensions are lower case and matched exactly: "TGA" finds no loader.
//
// A second call finds the extensions taken and changes nothing.
void registerLoaders()
{
    if (ResourceManager::getInstance()->getLoader("vert")) {
        return;
    }
    registerAll(new ShaderLoader(), {"frag", "vert"});
    registerAll(new ShaderProgramLoader(), {"shdr"});
    registerAll(new TextureLoader(), {"bmp", "dds", "gif", "jpg", "jpeg", "raw", "tga", "png"});
    registerAll(new MeshLoader(), {"dae", "blend", "3ds", "obj"});
    registerAll(new ManualMaterialLoader(), {"mmat"});
    registerAll(new ManualMeshLoader(), {"mesh"});
    registerAll(new CubeMapLoader(), {"xcm"});
    registerAll(new ManualTextureLoader(), {"tex"});
}

} // namespace BV
