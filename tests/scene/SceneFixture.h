#pragma once

// Shared set-up for the tests that draw real frames through a Scene: the
// game's loaders, the overlay drawing, a player's camera of the window's size
// and small helpers to build coloured quads and read pixels back.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <GL/glew.h>
#include <gtest/gtest.h>

#include "resources/Loaders.h"
#include "resources/Material.h"
#include "resources/Mesh.h"
#include "resources/ResourceLoader.h"
#include "resources/ResourceManager.h"
#include "resources/ShaderProgram.h"
#include "resources/ShaderProgramLoader.h"
#include "scene/Camera.h"
#include "scene/Drawing.h"
#include "scene/Entity.h"
#include "scene/Scene.h"
#include "scene/SceneNode.h"
#include "scene/Statistics.h"
#include "support/TestSupport.h"

namespace BV::scenetest {

// The shared test window's size; the scene's targets take the camera's size.
constexpr int WINDOW_WIDTH = 800;
constexpr int WINDOW_HEIGHT = 600;

struct Pixel {
    int r, g, b;
};

inline std::ostream& operator<<(std::ostream& out, const Pixel& p)
{
    return out << "(" << p.r << ", " << p.g << ", " << p.b << ")";
}

// Channel-wise comparison with a tolerance for rasteriser rounding.
inline ::testing::AssertionResult near(const Pixel& actual, const Pixel& expected, int tolerance = 3)
{
    if (std::abs(actual.r - expected.r) <= tolerance && std::abs(actual.g - expected.g) <= tolerance &&
        std::abs(actual.b - expected.b) <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << actual << " is not within " << tolerance << " of " << expected;
}

// An entity that draws the mesh it is given with the generic rule.
class MeshEntity : public Entity {
public:
    explicit MeshEntity(Mesh* mesh, bool isCullable = true)
    {
        meshes.push_back(mesh);
        cullable = isCullable;
    }
};

// Test shaders, written once into the binary's working directory.
namespace shaders {

inline const char* const flatVertex = R"(#version 330 core
layout(location = 0) in vec3 position;
layout(std140) uniform CameraInfo { mat4 projectionMat; mat4 viewMat; };
uniform mat4 modelMat;
void main() { gl_Position = projectionMat * viewMat * modelMat * vec4(position, 1.0); }
)";

// kD with the material's float "alpha".
inline const char* const flatFragment = R"(#version 330 core
uniform vec3 kD;
uniform float alpha;
out vec4 fragColour;
void main() { fragColour = vec4(kD, alpha); }
)";

// Shows the lighting block: red = ambient red, green = half the light's
// green, blue = the light's x in the camera's frame over -3000.
inline const char* const lightingFragment = R"(#version 330 core
layout(std140) uniform LightingInfo { vec3 lightPosition; vec3 ambientColour; vec3 lightColour; };
out vec4 fragColour;
void main() { fragColour = vec4(ambientColour.r, lightColour.g * 0.5, -lightPosition.x / 3000.0, 1.0); }
)";

// The view-space normal of a surface facing its own +z, as a colour.
inline const char* const normalVertex = R"(#version 330 core
layout(location = 0) in vec3 position;
layout(std140) uniform CameraInfo { mat4 projectionMat; mat4 viewMat; };
uniform mat4 modelMat;
uniform mat3 normalMat;
out vec3 normal;
void main()
{
    normal = normalMat * vec3(0.0, 0.0, 1.0);
    gl_Position = projectionMat * viewMat * modelMat * vec4(position, 1.0);
}
)";

inline const char* const normalFragment = R"(#version 330 core
in vec3 normal;
out vec4 fragColour;
void main() { fragColour = vec4(normal * 0.5 + 0.5, 1.0); }
)";

// Red = the depth the shadow map holds above this fragment.
inline const char* const shadowProbeVertex = R"(#version 330 core
layout(location = 0) in vec3 position;
layout(std140) uniform CameraInfo { mat4 projectionMat; mat4 viewMat; };
uniform mat4 modelMat;
uniform mat4 depthBiasPVMat;
out vec4 shadowCoord;
void main()
{
    vec4 world = modelMat * vec4(position, 1.0);
    shadowCoord = depthBiasPVMat * world;
    gl_Position = projectionMat * viewMat * world;
}
)";

inline const char* const shadowProbeFragment = R"(#version 330 core
in vec4 shadowCoord;
uniform sampler2D shadow;
out vec4 fragColour;
void main() { fragColour = vec4(texture(shadow, shadowCoord.xy / shadowCoord.w).r, 0.0, 0.0, 1.0); }
)";

} // namespace shaders

class SceneFixture : public ::testing::Test {
public:
    // The binary's one-time set-up: the game's loaders, the overlay drawing
    // at the window's size and the test shaders. Safe to call from any test.
    static void initialiseOnce()
    {
        static bool done = false;
        if (done) {
            return;
        }
        done = true;
        registerLoaders();
        Drawing::getInstance()->init(WINDOW_WIDTH, WINDOW_HEIGHT);
        std::filesystem::create_directories("scenetest");
        testkit::writeFile("scenetest/flat.vert", shaders::flatVertex);
        testkit::writeFile("scenetest/flat.frag", shaders::flatFragment);
        testkit::writeFile("scenetest/lighting.frag", shaders::lightingFragment);
        testkit::writeFile("scenetest/normal.vert", shaders::normalVertex);
        testkit::writeFile("scenetest/normal.frag", shaders::normalFragment);
        testkit::writeFile("scenetest/probe.vert", shaders::shadowProbeVertex);
        testkit::writeFile("scenetest/probe.frag", shaders::shadowProbeFragment);
    }

protected:
    void SetUp() override
    {
        initialiseOnce();
        // The switches and counters are process-wide; every test starts from
        // the game's defaults.
        Statistics* statistics = Statistics::getInstance();
        statistics->culling = true;
        statistics->blending = true;
        statistics->renderedObjects = 0;
        statistics->renderedTriangles = 0;

        camera = new Camera();
        camera->setProjectionKind(Camera::PK_PERSPECTIVE);
        camera->setClipPlanes(0.1f, 3500.0f);
        camera->setFieldOfView(45.0f);
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

    static ShaderProgram* program(const char* vertexFile, const char* fragmentFile)
    {
        auto* loader = static_cast<ShaderProgramLoader*>(ResourceManager::getInstance()->getLoader("shdr"));
        ShaderProgram* result = loader->createProgram(vertexFile, fragmentFile);
        result->ensureLoaded();
        return result;
    }

    static std::string uniqueName(const std::string& stem, const std::string& suffix)
    {
        static int counter = 0;
        return "scenetest_" + stem + "_" + std::to_string(++counter) + suffix;
    }

    // A fresh material drawing kD with the given alpha through `shader`
    // (the flat program unless told otherwise).
    static Material* material(const glm::vec3& colour, float alpha = 1.0f, ShaderProgram* shader = nullptr)
    {
        auto* result = static_cast<Material*>(ResourceManager::getInstance()->getResource(uniqueName("m", ".mmat")));
        result->program = shader ? shader : program("scenetest/flat.vert", "scenetest/flat.frag");
        result->kD = colour;
        result->floats["alpha"] = alpha;
        result->ensureLoaded();
        return result;
    }

    struct QuadSpec {
        float halfSize;
        float z;
        Material* material;
        std::int32_t pass;
        glm::vec2 centre{0.0f};
    };

    // A loaded manual mesh with one square per spec, each in the plane z of
    // the mesh's frame and facing +z (counter-clockwise seen from +z), parts
    // in spec order. The mesh box is grown by every corner.
    static Mesh* quads(const std::vector<QuadSpec>& specs)
    {
        auto* mesh = static_cast<Mesh*>(ResourceManager::getInstance()->getResource(uniqueName("q", ".mesh")));
        for (const QuadSpec& spec : specs) {
            MeshPart* part = mesh->addPart();
            const float h = spec.halfSize;
            const std::array<glm::vec2, 4> corners = {glm::vec2(-h, -h), glm::vec2(h, -h), glm::vec2(h, h),
                                                      glm::vec2(-h, h)};
            for (const glm::vec2& corner : corners) {
                const glm::vec3 p(spec.centre + corner, spec.z);
                part->vertices.insert(part->vertices.end(), {p.x, p.y, p.z, 0, 0, 1, 0, 0, 0, 1, 0, 0, 1});
                mesh->boundingBox.grow(p);
            }
            part->indices = {0, 1, 2, 0, 2, 3};
            part->vertexCount = 4;
            part->triangleCount = 2;
            part->pass = spec.pass;
            part->material = spec.material;
        }
        mesh->ensureLoaded();
        return mesh;
    }

    // Puts the entity on a new scene node at the given position; the entity
    // is deleted after the test, the node with the scene.
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

    SceneNode* placeMesh(Mesh* mesh, const glm::vec3& position = glm::vec3(0.0f), bool isCullable = true)
    {
        return place(new MeshEntity(mesh, isCullable), position);
    }

    void moveCamera(const glm::vec3& position)
    {
        camera->position = position;
        camera->markDirty(false);
    }

    // One frame as the game draws it: update, then render into the window.
    void frame()
    {
        scene->update();
        scene->render();
    }

    // A pixel of the window, x from the left, y from the top.
    static Pixel windowPixel(int x, int y)
    {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        const std::vector<unsigned char> rgba = testkit::readPixels(x, WINDOW_HEIGHT - 1 - y, 1, 1);
        return Pixel{rgba[0], rgba[1], rgba[2]};
    }

    static Pixel centrePixel() { return windowPixel(WINDOW_WIDTH / 2, WINDOW_HEIGHT / 2); }

    // Saves the window's current picture under the build tree for people to look at.
    static void saveWindow(const std::string& name)
    {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        testkit::savePng(name, WINDOW_WIDTH, WINDOW_HEIGHT, testkit::readPixels(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT));
    }

    static Statistics* statistics() { return Statistics::getInstance(); }

    Camera* camera = nullptr;
    Scene* scene = nullptr;
    std::vector<Entity*> entities;
};

} // namespace BV::scenetest
