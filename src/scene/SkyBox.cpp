#include "scene/SkyBox.h"

#include <GL/glew.h>

#include <cstddef>

#include "resources/Material.h"
#include "resources/Mesh.h"
#include "resources/ResourceManager.h"
#include "resources/ShaderProgramLoader.h"
#include "resources/Texture.h"

namespace BV {

namespace {

constexpr float S = SkyBox::halfSize;

// Per face: four corners and their texture coordinates (u, v, w). Each face
// has its own vertices so that its texture coordinates stay its own; w is 0
// on the faces across the y axis and 1 on the four side faces.
struct SkyVertex {
    float position[3];
    float texCoord[3];
};

const SkyVertex skyVertices[24] = {
    // y = -S
    {{-S, -S, -S}, {0, 0, 0}},
    {{S, -S, -S}, {1, 0, 0}},
    {{S, -S, S}, {1, 1, 0}},
    {{-S, -S, S}, {0, 1, 0}},
    // z = -S
    {{-S, -S, -S}, {0, 0, 1}},
    {{-S, S, -S}, {0, 1, 1}},
    {{S, S, -S}, {1, 1, 1}},
    {{S, -S, -S}, {1, 0, 1}},
    // x = +S
    {{S, -S, -S}, {0, 0, 1}},
    {{S, S, -S}, {0, 1, 1}},
    {{S, S, S}, {1, 1, 1}},
    {{S, -S, S}, {1, 0, 1}},
    // z = +S
    {{S, -S, S}, {0, 0, 1}},
    {{S, S, S}, {0, 1, 1}},
    {{-S, S, S}, {1, 1, 1}},
    {{-S, -S, S}, {1, 0, 1}},
    // x = -S
    {{-S, -S, S}, {0, 0, 1}},
    {{-S, S, S}, {0, 1, 1}},
    {{-S, S, -S}, {1, 1, 1}},
    {{-S, -S, -S}, {1, 0, 1}},
    // y = +S
    {{-S, S, -S}, {0, 0, 0}},
    {{-S, S, S}, {1, 0, 0}},
    {{S, S, S}, {1, 1, 0}},
    {{S, S, -S}, {0, 1, 0}},
};

const char* const meshName = "skybox.mesh";
const char* const materialName = "Skybox.mmat";
const char* const galaxyName = "resources/textures/cubemap/galaxy.xcm";
const char* const cloudsName = "resources/textures/cubemap/clouds.dds";

// Only position (location 0) and texture coordinate (location 2) are
// filled; normal and tangent stay zero, the sky's shaders do not read them.
void fillVertices(MeshPart& part)
{
    part.vertices.assign(24 * MeshPart::floatsPerVertex, 0.0f);
    for (std::size_t v = 0; v < 24; ++v) {
        float* out = &part.vertices[v * MeshPart::floatsPerVertex];
        for (std::size_t i = 0; i < 3; ++i) {
            out[i] = skyVertices[v].position[i];
            out[6 + i] = skyVertices[v].texCoord[i];
        }
    }
}

// Two triangles per face, wound so that they face the inside of the cube,
// where the camera is.
void fillIndices(MeshPart& part)
{
    part.indices.clear();
    for (std::uint32_t face = 0; face < 6; ++face) {
        const std::uint32_t b = 4 * face;
        for (std::uint32_t index : {b, b + 2, b + 1, b, b + 3, b + 2}) {
            part.indices.push_back(index);
        }
    }
}

Texture* linearTexture(const char* name)
{
    auto* texture = static_cast<Texture*>(ResourceManager::getInstance()->getResource(name));
    if (texture) {
        texture->minFilter = GL_LINEAR;
        texture->magFilter = GL_LINEAR;
        texture->ensureLoadedOrReport();
    }
    return texture;
}

void buildMaterial(MeshPart& part)
{
    ResourceManager* resources = ResourceManager::getInstance();
    auto* material = static_cast<Material*>(resources->getResource(materialName));
    part.material = material;
    if (!material) {
        return;
    }
    auto* programs = static_cast<ShaderProgramLoader*>(resources->getLoader("shdr"));
    if (programs) {
        material->program = programs->createProgram("resources/shader/skybox.vert", "resources/shader/skybox.frag");
    }
    Texture* galaxy = linearTexture(galaxyName);
    Texture* clouds = linearTexture(cloudsName);
    material->addTexture("cubemap", galaxy);
    material->addTexture("clouds", clouds);
}

} // namespace

SkyBox::SkyBox()
{
    cullable = false;
    meshIndex = 0;
    visible = true;

    auto* mesh = static_cast<Mesh*>(ResourceManager::getInstance()->getResource(meshName));
    if (!mesh) {
        return; // no loader for ".mesh"; logged by the resource manager
    }
    // A second sky box finds the shared mesh filled and only uses it.
    if (mesh->parts.empty()) {
        MeshPart* part = mesh->addPart();
        fillVertices(*part);
        fillIndices(*part);
        part->pass = 1;
        part->vertexCount = 24;
        part->triangleCount = 12;
        buildMaterial(*part);
    }
    mesh->ensureLoaded();
    meshes.push_back(mesh);
}

} // namespace BV
