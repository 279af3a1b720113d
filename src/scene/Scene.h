#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include <glm/glm.hpp>

#include "scene/RenderQueue.h"

namespace BV {

class Camera;
class Entity;
class SceneNode;
class ShaderProgram;
class Texture;

// A GL uniform buffer shared by every program that declares the block it
// feeds. Created empty; written piecewise with `upload`.
struct UniformBuffer {
    unsigned int buffer = 0;
    // When true the buffer is assumed bound to GL_UNIFORM_BUFFER already and
    // uploads leave the binding alone.
    bool bound = false;

    void create(std::size_t size);
    void upload(std::size_t offset, std::size_t size, const void* data);
    void destroy();
};

// The world's node tree and the drawing of one frame.
//
// Every scene node is made here, registered by name under the root "BV.Root"
// and owned by the scene until ~Scene. Each frame the game calls `update`
// (transforms, boxes, culling, draw requests, uniform buffers) and then
// `render` (shadow map, passes 1, 2, 4, 8, 16 into the off-screen target,
// copy to the window).
//
// Shader interface shared by every program the passes draw with (std140):
//   block "CameraInfo":   projection mat4 at 0, view mat4 at 64
//   block "LightingInfo": light position (camera rotation frame) vec3 at 0,
//                         ambient colour vec3 at 16, light colour vec3 at 32
//   uniforms "modelMat" (mat4), "normalMat" (mat3), "depthBiasPVMat" (mat4),
//   sampler "shadow" on texture unit 0 (materials use units 1 and up).
class Scene {
public:
    using NodeMap = std::unordered_map<std::string, SceneNode*>;

    // Told as each stage of a frame ends, so that a benchmark can time the
    // stages (by finishing the GL work in between). Nobody listens in play.
    class StageListener {
    public:
        virtual ~StageListener() = default;
        // stage: "update", "shadow", "pass 1", "pass 2", "pass 4", "pass 8",
        // "pass 16", "copy", and from the game "lens flare", "overlays".
        virtual void onStageEnded(const char* stage) = 0;
    };

    // Offsets and sizes of the uniform blocks.
    static constexpr std::size_t CAMERA_BLOCK_SIZE = 128;
    static constexpr std::size_t LIGHTING_BLOCK_SIZE = 48;
    static constexpr float OCCLUDER_RADIUS = 200.0f; // the planet's radius, world units
    static constexpr int SHADOW_MAP_SIZE = 2048;     // pixels
    // Where the casters other than the occluder may lie in the sun's view,
    // one texel per 4 x 4 texels of the shadow map: 1 there and two texels
    // round about, 0 elsewhere. Read as "shadowCasters" on this texture
    // unit, so that shading can tell the few places a caster might shade
    // from the rest by one texel, whatever its filter reaches.
    static constexpr int CASTER_MASK_SIZE = SHADOW_MAP_SIZE / 4;
    static constexpr int CASTER_MASK_UNIT = 7;

    // Needs the window's context, the resource loaders and the camera's
    // viewport size (the size of the off-screen target). The camera is not
    // owned; it becomes a child of the root.
    explicit Scene(Camera* camera);
    ~Scene();

    SceneNode* getRoot();
    // Null, with a CRITICAL line, when the name is taken. The new node hangs
    // below the root.
    SceneNode* createSceneNode(const std::string& name);
    SceneNode* createSceneNode();
    // The registered node of that name, or null.
    SceneNode* getSceneNode(const std::string& name) const;
    // Unregisters and deletes the node of that name (it detaches itself from
    // the tree). False when there is none.
    bool destroySceneNode(const std::string& name);
    const NodeMap& getNodes() const { return nodes; }

    void update();
    void render();

    // The off-screen target's size in pixels, at least 1 x 1. Changing it
    // re-specifies the target's colour and depth storage in place; the same
    // size again costs nothing. The camera's viewport (its aspect) is the
    // caller's to keep in step.
    void setTargetSize(int width, int height);
    int getTargetWidth() const { return targetWidth; }
    int getTargetHeight() const { return targetHeight; }

    // Not owned; null stops the reports.
    void setStageListener(StageListener* listener) { stageListener = listener; }
    void endStage(const char* stage)
    {
        if (stageListener) {
            stageListener->onStageEnded(stage);
        }
    }

    Camera* getCamera() const { return camera; }
    Camera* getShadowCamera() const { return shadowCamera; }
    SceneNode* getSunNode() const { return sunNode; }
    SceneNode* getLightNode() const { return lightNode; }
    RenderQueue& getRenderQueue() { return renderQueue; }
    Texture* getMainTexture() const { return mainTexture; }
    Texture* getShadowTexture() const { return shadowTexture; }
    ShaderProgram* getShadowProgram() const { return shadowProgram; }
    unsigned int getMainFramebuffer() const { return mainFramebuffer; }
    unsigned int getShadowFramebuffer() const { return shadowFramebuffer; }
    // True when the framebuffer is complete; otherwise one CRITICAL line
    // naming it ("main", "shadow"). Each off-screen target is checked once,
    // when it is set up. The framebuffer binding is left as it was.
    static bool checkFramebuffer(unsigned int framebuffer, const char* name);
    const glm::mat4& getDepthBiasPV() const { return depthBiasPV; }
    const glm::vec3& getAmbientColour() const { return ambientColour; }

    // While set (the game sets its planet) nodes hidden behind the sphere of
    // OCCLUDER_RADIUS round the origin are not drawn. Only tested for null.
    void setOccluder(const Entity* planet) { occluder = planet; }
    const Entity* getOccluder() const { return occluder; }
    // A sphere round the origin wholly inside the occluder's drawn surface
    // (radius in world units; 0, the start, for none). Its depth is laid
    // down before the first pass, so the sky behind the planet is rejected
    // by the depth test instead of being shaded and then painted over.
    void setOccluderCore(float radius);
    float getOccluderCore() const { return coreRadius; }

    // The occluder's own shadow on itself needs no shadow map: it is convex,
    // so its shading works that out from the surface under each pixel. Its
    // depth goes into the map only round the other casters (where their
    // shadows may fall and where they stand), one scissored region at a
    // time. True draws its depth over the whole map, the costly way it was
    // once done; tests and benchmarks compare the two. Programs learn which
    // through the int uniform "occluderShadowMapped" (1: the whole map).
    void setWholeOccluderShadow(bool whole) { wholeOccluderShadow = whole; }
    bool isWholeOccluderShadow() const { return wholeOccluderShadow; }
    // The shadow-map texels [x, y) to [z, w) the occluder's drawShadow is
    // drawing into now (scissored to them); the whole map outside the
    // shadow pass and when the whole occluder is drawn.
    const glm::ivec4& getShadowRegion() const { return shadowRegion; }

private:
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    SceneNode* registerNode(SceneNode* node);
    void createMainTarget();
    void allocateMainTarget();
    void createShadowTarget();
    void createLight();

    bool isVisible(SceneNode* node) const;
    bool isOccluded(SceneNode* node) const;
    void collectRenderables();
    void uploadCameraBlocks();

    void renderShadowPass();
    void updateCasterMask(RenderQueue::ProgramGroups* casters);
    void addShadowRegion(const glm::ivec2& maskFrom, const glm::ivec2& maskTo);
    void drawOccluderShadow(Renderable* occluderCaster);
    void renderOccluderCore();
    void buildCoreIndices();
    void buildCoreVertices();
    void renderPass(std::int32_t pass);
    void bindBlock(ShaderProgram* program, const char* blockName, const UniformBuffer& block) const;
    void drawGroup(ShaderProgram* program, RenderQueue::RenderList& list);
    void copyToWindow();

    NodeMap nodes; // owned: every node made through the scene
    SceneNode* root = nullptr;
    Camera* camera;                 // not owned
    Camera* shadowCamera = nullptr; // owned; deleted in ~Scene
    RenderQueue renderQueue;
    glm::vec3 ambientColour{0.2f};
    SceneNode* sunNode = nullptr;
    SceneNode* lightNode = nullptr;
    UniformBuffer cameraBlock;
    UniformBuffer lightingBlock;
    UniformBuffer shadowCameraBlock;
    int targetWidth = 0; // pixels of the off-screen target
    int targetHeight = 0;
    unsigned int mainDepthBuffer = 0;
    unsigned int mainFramebuffer = 0;
    Texture* mainTexture = nullptr; // the resource manager's
    unsigned int shadowFramebuffer = 0;
    Texture* shadowTexture = nullptr;
    Texture* casterTexture = nullptr;
    std::vector<unsigned char> casterMask; // the mask's texels, row by row from the bottom
    int maskedRowsLow = 0;                 // the rows marked last frame: [low, high)
    int maskedRowsHigh = 0;
    bool wholeOccluderShadow = false;
    // Where the occluder's depth goes this frame, in shadow-map texels
    // [x, y) to [z, w), none overlapping another; its capacity is kept.
    std::vector<glm::ivec4> shadowRegions;
    glm::ivec4 shadowRegion{0, 0, SHADOW_MAP_SIZE, SHADOW_MAP_SIZE};
    ShaderProgram* shadowProgram = nullptr;
    glm::mat4 depthBiasPV{1.0f};
    const Entity* occluder = nullptr;
    StageListener* stageListener = nullptr;
    float coreRadius = 0.0f;
    unsigned int coreArray = 0;           // GL vertex array of the core sphere
    unsigned int coreBuffers[2] = {0, 0}; // its vertices and indices
    int coreIndexCount = 0;
};

} // namespace BV
