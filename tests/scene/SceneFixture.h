#pragma once

// Shared set-up for tests that draw real frames through a Scene: the loaders, a camera of the window's size and
// coloured quads; read-back is in support/Pixels.h.

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <GL/glew.h>
#include <gtest/gtest.h>

#include "resources/Loaders.h"
#include "resources/ManualTextureLoader.h"
#include "resources/Material.h"
#include "resources/Mesh.h"
#include "resources/ResourceManager.h"
#include "resources/ShaderProgram.h"
#include "resources/ShaderProgramLoader.h"
#include "resources/Texture.h"
#include "scene/Camera.h"
#include "scene/Drawing.h"
#include "scene/Entity.h"
#include "scene/Scene.h"
#include "scene/SceneNode.h"
#include "scene/Statistics.h"
#include "support/Pixels.h"
#include "support/TestSupport.h"

namespace BV::scenetest {

// A picture of the given colour at each pixel (x, y from the bottom), sampled nearest so that every cell's colour stays
// exact right up to its edges.
template <typename Colour> inline Texture* flatTexture(const char* name, int width, int height, Colour colourAt)
{
    auto* textures = static_cast<ManualTextureLoader*>(ResourceManager::getInstance()->getLoader("tex"));
    Texture* texture = textures->createTexture(name, width, height, GL_RGBA8, GL_BGRA);
    std::vector<unsigned char> bgra;
    for (int i = 0; i < width * height; ++i) {
        const Pixel c = colourAt(i % width, i / width);
        bgra.insert(bgra.end(), {static_cast<unsigned char>(c.b), static_cast<unsigned char>(c.g),
                                 static_cast<unsigned char>(c.r), 255});
    }
    glBindTexture(GL_TEXTURE_2D, texture->handle);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, bgra.data());
    return texture;
}

// An entity that draws the mesh it is given with the generic rule.
struct MeshEntity : Entity {
    explicit MeshEntity(Mesh* mesh) { meshes = {mesh}; }
};

class SceneFixture : public ::testing::Test {
public:
    // The binary's one-time set-up: the game's loaders, the overlay drawing at the window's size and a flat test shader
    // drawing kD with "alpha". Every quad's normal is +z, its texture coordinate zero and its tangent +x: a vertex
    // layout read wrongly darkens the colour.
    static void initialiseOnce()
    {
        static bool done = false;
        if (std::exchange(done, true)) {
            return;
        }
        registerLoaders();
        Drawing::getInstance()->init(WINDOW_WIDTH, WINDOW_HEIGHT);
        std::filesystem::create_directories("scenetest");
        testkit::writeFile("scenetest/flat.vert", R"(#version 330 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
layout(location = 2) in vec3 texcoord;
layout(location = 3) in vec4 tangent;
layout(std140) uniform CameraInfo { mat4 p; mat4 v; };
uniform mat4 modelMat;
out float shade;
void main() {
  shade = normal.z - length(texcoord) - distance(tangent, vec4(1, 0, 0, 1));
  gl_Position = p * v * modelMat * vec4(position, 1.0);
})");
        testkit::writeFile("scenetest/flat.frag", R"(#version 330 core
uniform vec3 kD; uniform float alpha; in float shade; out vec4 colour;
void main() { colour = vec4(kD * shade, alpha); })");
    }

protected:
    void SetUp() override
    {
        initialiseOnce();
        // The switches and counters are process-wide: start from the defaults.
        Statistics* statistics = Statistics::getInstance();
        statistics->culling = statistics->blending = true;
        statistics->renderedObjects = statistics->renderedTriangles = 0;
        camera = new Camera(); // perspective, 45 "degrees"
        camera->setClipPlanes(0.1f, 3500.0f);
        camera->setViewportSize(static_cast<float>(WINDOW_WIDTH), static_cast<float>(WINDOW_HEIGHT));
        scene = new Scene(camera);
    }

    void TearDown() override
    {
        delete scene;
        delete camera;
        for (Entity* entity : entities) {
            delete entity;
        }
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
    }

    // A fresh material drawing kD with the given alpha through the flat program.
    static Material* material(const glm::vec3& colour, float alpha = 1.0f)
    {
        static int counter = 0;
        const std::string name = "scenetest_m" + std::to_string(++counter) + ".mmat";
        auto* result = static_cast<Material*>(ResourceManager::getInstance()->getResource(name));
        auto* loader = static_cast<ShaderProgramLoader*>(ResourceManager::getInstance()->getLoader("shdr"));
        result->program = loader->createProgram("scenetest/flat.vert", "scenetest/flat.frag");
        result->program->ensureLoaded();
        result->kD = colour;
        result->floats["alpha"] = alpha;
        result->ensureLoaded();
        return result;
    }

    struct QuadShape {
        float halfSize, z;
        Material* material;
        std::int32_t pass;
    };

    // A loaded manual mesh with one square per entry, centred on the z axis of the mesh's frame and facing +z, parts in
    // the order given.
    static Mesh* quads(const std::vector<QuadShape>& shapes)
    {
        static int counter = 0;
        const std::string name = "scenetest_q" + std::to_string(++counter) + ".mesh";
        auto* mesh = static_cast<Mesh*>(ResourceManager::getInstance()->getResource(name));
        for (const QuadShape& shape : shapes) {
            MeshPart* part = mesh->addPart();
            for (const glm::vec2 corner : {glm::vec2(-1, -1), glm::vec2(1, -1), glm::vec2(1, 1), glm::vec2(-1, 1)}) {
                const glm::vec3 p(corner * shape.halfSize, shape.z);
                part->vertices.insert(part->vertices.end(), {p.x, p.y, p.z, 0, 0, 1, 0, 0, 0, 1, 0, 0, 1});
                mesh->boundingBox.grow(p);
            }
            part->indices = {0, 1, 2, 0, 2, 3};
            part->vertexCount = 4;
            part->triangleCount = 2;
            part->pass = shape.pass;
            part->material = shape.material;
        }
        mesh->ensureLoaded();
        return mesh;
    }

    // Puts the entity on a new scene node; the test's end deletes both.
    SceneNode* place(Entity* entity, const glm::vec3& position = glm::vec3(0.0f))
    {
        SceneNode* node = scene->createSceneNode();
        node->position = position;
        node->markDirty(false);
        node->entity = entity;
        entity->node = node;
        entities.push_back(entity);
        return node;
    }

    void moveCamera(const glm::vec3& position)
    {
        camera->position = position;
        camera->markDirty(false);
    }
    void frame()
    {
        scene->update();
        scene->render();
    }

    Camera* camera = nullptr;
    Scene* scene = nullptr;
    std::vector<Entity*> entities;
};

} // namespace BV::scenetest
