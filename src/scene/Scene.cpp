#include "scene/Scene.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include <GL/glew.h>
#include <glm/gtc/constants.hpp>
#include <glm/gtc/type_ptr.hpp>

#include "app/Log.h"
#include "resources/ManualTextureLoader.h"
#include "resources/Material.h"
#include "resources/ResourceManager.h"
#include "resources/ShaderProgram.h"
#include "resources/ShaderProgramLoader.h"
#include "resources/Texture.h"
#include "scene/Camera.h"
#include "scene/Drawing.h"
#include "scene/Entity.h"
#include "scene/Renderable.h"
#include "scene/SceneNode.h"
#include "scene/Statistics.h"

namespace BV {

namespace {

const char* const ROOT_NAME = "BV.Root";
// Block indices at or above this are GL_INVALID_INDEX: the program lacks the block.
const GLuint FIRST_INVALID_BLOCK_INDEX = 0x500;

// Byte offsets inside the std140 blocks.
const std::size_t PROJECTION_OFFSET = 0;
const std::size_t VIEW_OFFSET = 64;
const std::size_t LIGHT_POSITION_OFFSET = 0;
const std::size_t AMBIENT_OFFSET = 16;
const std::size_t LIGHT_COLOUR_OFFSET = 32;
const std::size_t MATRIX_BYTES = 64;
const std::size_t VEC3_BYTES = 12;

// The passes of one frame in drawing order, before and after depth writes stop.
const std::int32_t OPAQUE_PASSES[] = {1, 2, 4};
const char* const OPAQUE_STAGES[] = {"pass 1", "pass 2", "pass 4"};
const std::int32_t TRANSPARENT_PASS = 8;
const std::int32_t OVERLAY_PASS = 16;

// Resolution of the occluder's core sphere.
const int CORE_STACKS = 24;
const int CORE_SLICES = 48;

ManualTextureLoader* manualTextureLoader()
{
    return static_cast<ManualTextureLoader*>(ResourceManager::getInstance()->getLoader("tex"));
}

} // namespace

// ---------------------------------------------------------------------------
// UniformBuffer
// ---------------------------------------------------------------------------

void UniformBuffer::create(std::size_t size)
{
    glGenBuffers(1, &buffer);
    glBindBuffer(GL_UNIFORM_BUFFER, buffer);
    glBufferData(GL_UNIFORM_BUFFER, static_cast<GLsizeiptr>(size), nullptr, GL_DYNAMIC_DRAW);
    glBindBuffer(GL_UNIFORM_BUFFER, 0);
}

void UniformBuffer::upload(std::size_t offset, std::size_t size, const void* data)
{
    if (!bound) {
        glBindBuffer(GL_UNIFORM_BUFFER, buffer);
    }
    glBufferSubData(GL_UNIFORM_BUFFER, static_cast<GLintptr>(offset), static_cast<GLsizeiptr>(size), data);
    if (!bound) {
        glBindBuffer(GL_UNIFORM_BUFFER, 0);
    }
}

void UniformBuffer::destroy()
{
    if (buffer != 0) {
        glDeleteBuffers(1, &buffer);
        buffer = 0;
    }
}

// ---------------------------------------------------------------------------
// Construction
// ---------------------------------------------------------------------------

Scene::Scene(Camera* camera) : camera(camera)
{
    getRoot()->addChild(camera);
    cameraBlock.create(CAMERA_BLOCK_SIZE);
    lightingBlock.create(LIGHTING_BLOCK_SIZE);
    createLight();
    createMainTarget();
    createShadowTarget();

    auto* programs = static_cast<ShaderProgramLoader*>(ResourceManager::getInstance()->getLoader("shdr"));
    if (programs) {
        shadowProgram = programs->createProgram("resources/shader/shadow.vert", "resources/shader/shadow.frag");
        shadowProgram->ensureLoaded();
    } else {
        Log::getInstance().write("Failed to create Scene: shadow program: No loader registered for shdr", CRITICAL);
    }

    // The sun's orthographic camera looks from just above the sun's side of
    // the planet back towards its centre.
    shadowCamera = new Camera(); // owned; deleted in ~Scene
    sunNode->addChild(shadowCamera);
    shadowCamera->setProjectionKind(Camera::PK_ORTHOGRAPHIC);
    shadowCamera->setClipPlanes(0.0f, 300.0f);
    shadowCamera->setViewportSize(500.0f, 500.0f);
    shadowCamera->translate(glm::vec3(0.0f, 0.0f, 250.0f), Node::TS_PARENT);
    shadowCameraBlock.create(CAMERA_BLOCK_SIZE);
}

void Scene::createLight()
{
    sunNode = createSceneNode("sun");
    lightNode = static_cast<SceneNode*>(sunNode->createChild());
    sunNode->addChild(lightNode);
    lightNode->translate(glm::vec3(0.0f, 0.0f, 1500.0f), Node::TS_PARENT);

    // Ambient and light colour never change; only the light's position is
    // uploaded per frame.
    const glm::vec3 lightColour(1.0f);
    lightingBlock.upload(AMBIENT_OFFSET, VEC3_BYTES, glm::value_ptr(ambientColour));
    lightingBlock.upload(LIGHT_COLOUR_OFFSET, VEC3_BYTES, glm::value_ptr(lightColour));
}

void Scene::createMainTarget()
{
    targetWidth = std::max(1, static_cast<int>(std::lround(camera->width)));
    targetHeight = std::max(1, static_cast<int>(std::lround(camera->height)));
    ManualTextureLoader* textures = manualTextureLoader();
    if (textures) {
        mainTexture = textures->createTexture("main.tex", targetWidth, targetHeight, GL_RGBA8, GL_BGRA);
    } else {
        Log::getInstance().write("Failed to create Scene: main.tex: No loader registered for tex", CRITICAL);
    }
    glGenRenderbuffers(1, &mainDepthBuffer);
    allocateMainTarget();

    glGenFramebuffers(1, &mainFramebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, mainFramebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, mainTexture ? mainTexture->handle : 0,
                           0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, mainDepthBuffer);
    const GLenum drawBuffer = GL_COLOR_ATTACHMENT0;
    glDrawBuffers(1, &drawBuffer);
    if (!checkFramebuffer(mainFramebuffer, "main")) {
        // Not fatal: the frame is drawn into whatever the driver gives.
        std::fputs("ERROR: incomplete framebuffer\n", stderr);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

// Storage for the target's colour and depth at targetWidth x targetHeight.
// The framebuffer keeps its attachments: only their images change.
void Scene::allocateMainTarget()
{
    // "main.tex" outlives a scene: a later scene may find it at another size.
    if (mainTexture && (mainTexture->width != targetWidth || mainTexture->height != targetHeight)) {
        glBindTexture(GL_TEXTURE_2D, mainTexture->handle);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, targetWidth, targetHeight, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
        glBindTexture(GL_TEXTURE_2D, 0);
        mainTexture->width = targetWidth;
        mainTexture->height = targetHeight;
    }
    glBindRenderbuffer(GL_RENDERBUFFER, mainDepthBuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT, targetWidth, targetHeight);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
}

void Scene::setTargetSize(int width, int height)
{
    width = std::max(1, width);
    height = std::max(1, height);
    if (width == targetWidth && height == targetHeight) {
        return;
    }
    targetWidth = width;
    targetHeight = height;
    allocateMainTarget();
}

void Scene::createShadowTarget()
{
    ManualTextureLoader* textures = manualTextureLoader();
    if (textures) {
        shadowTexture = textures->createTexture("shadow.tex", SHADOW_MAP_SIZE, SHADOW_MAP_SIZE, GL_DEPTH_COMPONENT24,
                                                GL_DEPTH_COMPONENT);
    } else {
        Log::getInstance().write("Failed to create Scene: shadow.tex: No loader registered for tex", CRITICAL);
    }
    glGenFramebuffers(1, &shadowFramebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, shadowFramebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D,
                           shadowTexture ? shadowTexture->handle : 0, 0);
    // Depth only: without a colour attachment a framebuffer is complete on
    // every 3.3 driver only if it neither draws nor reads colour.
    glDrawBuffer(GL_NONE);
    glReadBuffer(GL_NONE);
    checkFramebuffer(shadowFramebuffer, "shadow");

    casterMask.assign(static_cast<std::size_t>(CASTER_MASK_SIZE) * CASTER_MASK_SIZE, 0);
    if (textures) {
        casterTexture = textures->createTexture("shadowCasters.tex", CASTER_MASK_SIZE, CASTER_MASK_SIZE, GL_R8, GL_RED);
    }
    if (casterTexture) {
        glBindTexture(GL_TEXTURE_2D, casterTexture->handle);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, CASTER_MASK_SIZE, CASTER_MASK_SIZE, GL_RED, GL_UNSIGNED_BYTE,
                        casterMask.data());
        glBindTexture(GL_TEXTURE_2D, 0);
    }
}

bool Scene::checkFramebuffer(unsigned int framebuffer, const char* name)
{
    GLint previous = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previous);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(previous));
    if (status == GL_FRAMEBUFFER_COMPLETE) {
        return true;
    }
    char code[16];
    std::snprintf(code, sizeof(code), "0x%04X", status);
    Log::getInstance().write(
        std::string("Failed to create Scene: ") + name + " framebuffer: Incomplete (status " + code + ").", CRITICAL);
    return false;
}

Scene::~Scene()
{
    // Drop the draw requests first: they point at nodes deleted below.
    renderQueue.clear();
    // Each node detaches itself from parent and children, so the order of
    // deletion does not matter; the player's camera is only detached.
    for (auto& entry : nodes) {
        delete entry.second;
    }
    nodes.clear();
    root = nullptr;
    delete shadowCamera;
    cameraBlock.destroy();
    lightingBlock.destroy();
    shadowCameraBlock.destroy();
    glDeleteVertexArrays(1, &coreArray);
    glDeleteBuffers(2, coreBuffers);
    glDeleteFramebuffers(1, &mainFramebuffer);
    glDeleteFramebuffers(1, &shadowFramebuffer);
    glDeleteRenderbuffers(1, &mainDepthBuffer);
}

// A latitude-longitude sphere: every vertex on the radius, so every
// triangle lies inside the sphere; wound counter-clockwise seen from outside.
void Scene::setOccluderCore(float radius)
{
    coreRadius = std::max(radius, 0.0f);
    if (coreRadius == 0.0f) {
        return;
    }
    if (coreArray == 0) {
        glGenVertexArrays(1, &coreArray);
        glGenBuffers(2, coreBuffers);
        glBindVertexArray(coreArray);
        glBindBuffer(GL_ARRAY_BUFFER, coreBuffers[0]);
        glEnableVertexAttribArray(0);
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, coreBuffers[1]);
        buildCoreIndices();
        glBindVertexArray(0);
    }
    buildCoreVertices();
}

void Scene::buildCoreIndices()
{
    std::vector<std::uint16_t> indices;
    for (int stack = 0; stack < CORE_STACKS; ++stack) {
        for (int slice = 0; slice < CORE_SLICES; ++slice) {
            const auto a = static_cast<std::uint16_t>(stack * (CORE_SLICES + 1) + slice);
            const auto b = static_cast<std::uint16_t>(a + CORE_SLICES + 1);
            const auto a1 = static_cast<std::uint16_t>(a + 1);
            const auto b1 = static_cast<std::uint16_t>(b + 1);
            indices.insert(indices.end(), {a, b, a1, a1, b, b1});
        }
    }
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(std::uint16_t)),
                 indices.data(), GL_STATIC_DRAW);
    coreIndexCount = static_cast<int>(indices.size());
}

void Scene::buildCoreVertices()
{
    std::vector<glm::vec3> vertices;
    for (int stack = 0; stack <= CORE_STACKS; ++stack) {
        const float polar = glm::pi<float>() * static_cast<float>(stack) / CORE_STACKS;
        for (int slice = 0; slice <= CORE_SLICES; ++slice) {
            const float azimuth = glm::two_pi<float>() * static_cast<float>(slice) / CORE_SLICES;
            vertices.push_back(coreRadius * glm::vec3(std::sin(polar) * std::cos(azimuth), std::cos(polar),
                                                      -std::sin(polar) * std::sin(azimuth)));
        }
    }
    glBindBuffer(GL_ARRAY_BUFFER, coreBuffers[0]);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(glm::vec3)), vertices.data(),
                 GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

// ---------------------------------------------------------------------------
// Node registry
// ---------------------------------------------------------------------------

SceneNode* Scene::getRoot()
{
    if (!root) {
        root = createSceneNode(ROOT_NAME);
    }
    return root;
}

SceneNode* Scene::createSceneNode(const std::string& name)
{
    if (nodes.count(name) != 0) {
        Log::getInstance().write("Adding Node: " + name + "failed. There already exists a node with that name.",
                                 CRITICAL);
        return nullptr;
    }
    return registerNode(new SceneNode(this, name)); // owned by the scene
}

SceneNode* Scene::createSceneNode()
{
    return registerNode(new SceneNode(this)); // owned by the scene
}

SceneNode* Scene::registerNode(SceneNode* node)
{
    if (node->getName() != ROOT_NAME) {
        getRoot()->addChild(node);
    }
    nodes.emplace(node->getName(), node);
    return node;
}

SceneNode* Scene::getSceneNode(const std::string& name) const
{
    auto found = nodes.find(name);
    return found == nodes.end() ? nullptr : found->second;
}

bool Scene::destroySceneNode(const std::string& name)
{
    auto found = nodes.find(name);
    if (found == nodes.end()) {
        return false;
    }
    SceneNode* node = found->second;
    nodes.erase(found);
    if (node == root) {
        root = nullptr;
    }
    delete node;
    return true;
}

// ---------------------------------------------------------------------------
// Frame update
// ---------------------------------------------------------------------------

void Scene::update()
{
    getRoot()->update(true, false);
    collectRenderables();
    uploadCameraBlocks();
}

void Scene::collectRenderables()
{
    const bool culling = Statistics::getInstance()->culling;
    for (auto& entry : nodes) {
        SceneNode* node = entry.second;
        if (!culling || !node->isCullable() || isVisible(node)) {
            node->collectRenderables(renderQueue);
        }
    }
}

bool Scene::isVisible(SceneNode* node) const
{
    const BoundingBox& box = node->getBoundingBox();
    if (!box.isFinite() || !camera->isInFrustum(box)) {
        return false;
    }
    return !occluder || !isOccluded(node);
}

// True when every corner of the node's box lies behind the occluding sphere
// as seen from the camera.
bool Scene::isOccluded(SceneNode* node) const
{
    const glm::vec3 eye = camera->getWorldPosition();
    const float c = glm::dot(eye, eye) - OCCLUDER_RADIUS * OCCLUDER_RADIUS;
    for (const glm::vec3& corner : node->getBoundingBox().getCorners()) {
        const glm::vec3 d = corner - eye;
        const float dist = glm::length(d);
        if (dist == 0.0f) {
            return false; // the corner is at the eye: nothing can stand in front of it
        }
        const float b = glm::dot(d / dist, eye);
        const float disc = b * b - c;
        // Visible when the ray misses the sphere or meets it only beyond the corner.
        if (disc < 0.0f || -b - std::sqrt(disc) >= dist) {
            return false;
        }
    }
    return true;
}

void Scene::uploadCameraBlocks()
{
    cameraBlock.upload(PROJECTION_OFFSET, MATRIX_BYTES, glm::value_ptr(camera->getProjection()));
    cameraBlock.upload(VIEW_OFFSET, MATRIX_BYTES, glm::value_ptr(camera->getView()));

    // The shaders light in the camera's rotation frame.
    if (lightNode->isTransformDirty()) {
        lightNode->refreshWorldTransform();
    }
    const glm::vec4 light = camera->getInverseRotation() * glm::vec4(lightNode->getWorldPosition(), 1.0f);
    lightingBlock.upload(LIGHT_POSITION_OFFSET, VEC3_BYTES, glm::value_ptr(light));

    const glm::mat4& shadowProjection = shadowCamera->getProjection();
    const glm::mat4& shadowView = shadowCamera->getView();
    shadowCameraBlock.upload(PROJECTION_OFFSET, MATRIX_BYTES, glm::value_ptr(shadowProjection));
    shadowCameraBlock.upload(VIEW_OFFSET, MATRIX_BYTES, glm::value_ptr(shadowView));

    // Maps clip space [-1, 1] to shadow-map texture space [0, 1].
    const glm::mat4 bias(0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.5f, 0.5f, 0.5f,
                         1.0f);
    depthBiasPV = bias * shadowProjection * shadowView;
}

// ---------------------------------------------------------------------------
// Frame rendering
// ---------------------------------------------------------------------------

namespace {

void applyBlending()
{
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    if (Statistics::getInstance()->blending) {
        glEnable(GL_BLEND);
    } else {
        glDisable(GL_BLEND);
    }
}

} // namespace

void Scene::render()
{
    glEnable(GL_DEPTH_TEST);
    applyBlending();
    glDepthMask(GL_TRUE);
    // Wireframe is a view of the 3D world only: the shadow map, the copy to
    // the window and everything drawn after the scene stay filled.
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);

    renderShadowPass();
    endStage("shadow");

    glBindFramebuffer(GL_FRAMEBUFFER, mainFramebuffer);
    glViewport(0, 0, targetWidth, targetHeight);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    renderOccluderCore();
    if (Statistics::getInstance()->wireframe) {
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    }
    for (std::size_t i = 0; i < 3; ++i) {
        renderPass(OPAQUE_PASSES[i]);
        endStage(OPAQUE_STAGES[i]);
    }
    // Transparent things are depth-tested against the opaque world but do
    // not hide each other; the overlay pass ignores depth altogether.
    glDepthMask(GL_FALSE);
    applyBlending();
    renderPass(TRANSPARENT_PASS);
    endStage("pass 8");
    glDisable(GL_DEPTH_TEST);
    renderPass(OVERLAY_PASS);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    endStage("pass 16");

    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDisable(GL_DEPTH_TEST);
    copyToWindow();
    endStage("copy");
}

void Scene::renderShadowPass()
{
    glBindFramebuffer(GL_FRAMEBUFFER, shadowFramebuffer);
    glViewport(0, 0, shadowTexture ? shadowTexture->width : SHADOW_MAP_SIZE,
               shadowTexture ? shadowTexture->height : SHADOW_MAP_SIZE);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClearDepth(1.0);
    glClear(GL_DEPTH_BUFFER_BIT);

    RenderQueue::ProgramGroups* casters = renderQueue.getPass(RenderQueue::SHADOW_PASS);
    // First where the casters other than the occluder lie: the occluder's
    // depth is needed only there.
    updateCasterMask(casters);
    if (casters && shadowProgram && shadowProgram->getHandle() != 0) {
        glUseProgram(shadowProgram->getHandle());
        bindBlock(shadowProgram, "CameraInfo", shadowCameraBlock);
        const GLint modelLocation = shadowProgram->getUniformLocation("modelMat");
        for (auto& group : *casters) {
            for (Renderable* renderable : group.second) {
                if (renderable->node) {
                    glUniformMatrix4fv(modelLocation, 1, GL_FALSE, glm::value_ptr(renderable->node->getWorldMatrix()));
                }
                if (occluder && renderable->node == occluder->node && !wholeOccluderShadow) {
                    drawOccluderShadow(renderable);
                } else {
                    renderable->drawShadow();
                }
            }
        }
    }
    // Not deleted here: every caster is also filed under its own pass.
    renderQueue.removePass(RenderQueue::SHADOW_PASS);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

// One scissored draw per region; the occluder reads the region to leave out
// the parts of itself that lie elsewhere.
void Scene::drawOccluderShadow(Renderable* occluderCaster)
{
    glEnable(GL_SCISSOR_TEST);
    for (const glm::ivec4& region : shadowRegions) {
        shadowRegion = region;
        glScissor(region.x, region.y, region.z - region.x, region.w - region.y);
        occluderCaster->drawShadow();
    }
    glDisable(GL_SCISSOR_TEST);
    shadowRegion = glm::ivec4(0, 0, SHADOW_MAP_SIZE, SHADOW_MAP_SIZE);
}

namespace {

// The mask texels [from, to) under the node's box as the sun sees it, two
// more on every side; the whole mask for a node without a finite box. False
// when none of it lies in the sun's view.
bool maskRectangle(const SceneNode* node, const glm::mat4& toShadowMap, int size, glm::ivec2& from, glm::ivec2& to)
{
    const auto extent = static_cast<float>(size);
    glm::vec2 low(0.0f);
    glm::vec2 high(extent);
    if (node && node->getBoundingBox().isFinite()) {
        low = glm::vec2(extent);
        high = glm::vec2(0.0f);
        for (const glm::vec3& corner : node->getBoundingBox().getCorners()) {
            const glm::vec4 texture = toShadowMap * glm::vec4(corner, 1.0f);
            const glm::vec2 texel = glm::vec2(texture) / texture.w * extent;
            low = glm::min(low, texel);
            high = glm::max(high, texel);
        }
        low = glm::max(glm::floor(low) - 2.0f, 0.0f);
        high = glm::min(glm::ceil(high) + 2.0f, extent);
    }
    // Written so that a box with a NaN corner counts as outside.
    if (!(high.x > low.x && high.y > low.y)) {
        return false;
    }
    from = glm::ivec2(low);
    to = glm::ivec2(high);
    return true;
}

} // namespace

// Where each caster apart from the occluder may lie in the sun's view: the
// texels under its box as the sun sees it and two more all round, so that
// every texel within a texel (four shadow-map texels, more than the shadow
// filter reaches) of any part of it is marked. Drawn on the CPU and sent
// from the lowest to the highest row marked this frame or the last. The
// same rectangles give the regions of the occluder's depth.
void Scene::updateCasterMask(RenderQueue::ProgramGroups* casters)
{
    shadowRegions.clear();
    const int size = CASTER_MASK_SIZE;
    const std::size_t rowBytes = static_cast<std::size_t>(size);
    if (casterTexture) {
        std::fill(casterMask.begin() + static_cast<std::ptrdiff_t>(maskedRowsLow * rowBytes),
                  casterMask.begin() + static_cast<std::ptrdiff_t>(maskedRowsHigh * rowBytes), 0);
    }
    int low = size;
    int high = 0;
    if (casters) {
        for (const auto& group : *casters) {
            for (Renderable* renderable : group.second) {
                glm::ivec2 from;
                glm::ivec2 to;
                if ((occluder && renderable->node == occluder->node) ||
                    !maskRectangle(renderable->node, depthBiasPV, size, from, to)) {
                    continue;
                }
                addShadowRegion(from, to);
                if (!casterTexture) {
                    continue;
                }
                for (int y = from.y; y < to.y; ++y) {
                    std::fill_n(casterMask.begin() + static_cast<std::ptrdiff_t>(y * rowBytes + from.x), to.x - from.x,
                                255);
                }
                low = std::min(low, from.y);
                high = std::max(high, to.y);
            }
        }
    }
    if (!casterTexture) {
        // Without the mask the shading cannot tell where the occluder's
        // depth is missing: it goes in everywhere.
        shadowRegions.assign(1, glm::ivec4(0, 0, SHADOW_MAP_SIZE, SHADOW_MAP_SIZE));
        return;
    }
    const int sendLow = std::min(low, maskedRowsLow);
    const int sendHigh = std::max(high, maskedRowsHigh);
    maskedRowsLow = std::min(low, high);
    maskedRowsHigh = high;
    if (sendHigh > sendLow) {
        glBindTexture(GL_TEXTURE_2D, casterTexture->handle);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, sendLow, size, sendHigh - sendLow, GL_RED, GL_UNSIGNED_BYTE,
                        &casterMask[static_cast<std::size_t>(sendLow) * rowBytes]);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
}

// The shadow-map texels a masked rectangle's shading may read: its own four
// per mask texel and two more all round, which the 3 x 3 taps with linear
// filtering reach from its edge. Regions that overlap or touch merge into
// the rectangle round both, so that no texel is drawn twice.
void Scene::addShadowRegion(const glm::ivec2& maskFrom, const glm::ivec2& maskTo)
{
    const int scale = SHADOW_MAP_SIZE / CASTER_MASK_SIZE;
    glm::ivec4 region(glm::max(maskFrom * scale - 2, 0), glm::min(maskTo * scale + 2, SHADOW_MAP_SIZE));
    bool merged = true;
    while (merged) {
        merged = false;
        for (std::size_t i = 0; i < shadowRegions.size(); ++i) {
            const glm::ivec4& other = shadowRegions[i];
            if (other.x <= region.z && region.x <= other.z && other.y <= region.w && region.y <= other.w) {
                region = glm::ivec4(glm::min(glm::ivec2(region), glm::ivec2(other)),
                                    glm::max(glm::ivec2(region.z, region.w), glm::ivec2(other.z, other.w)));
                shadowRegions[i] = shadowRegions.back();
                shadowRegions.pop_back();
                merged = true;
                break;
            }
        }
    }
    shadowRegions.push_back(region);
}

// Depth only: the core lies inside the occluder, so everything the core
// hides the occluder hides as well and no pixel of the frame changes. Skipped
// in wireframe, where the occluder no longer hides what lies behind it.
void Scene::renderOccluderCore()
{
    if (!occluder || coreRadius == 0.0f || coreIndexCount == 0 || !shadowProgram || shadowProgram->getHandle() == 0 ||
        Statistics::getInstance()->wireframe) {
        return;
    }
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glUseProgram(shadowProgram->getHandle());
    bindBlock(shadowProgram, "CameraInfo", cameraBlock);
    const glm::mat4 identity(1.0f);
    glUniformMatrix4fv(shadowProgram->getUniformLocation("modelMat"), 1, GL_FALSE, glm::value_ptr(identity));
    glBindVertexArray(coreArray);
    glDrawElements(GL_TRIANGLES, coreIndexCount, GL_UNSIGNED_SHORT, nullptr);
    glBindVertexArray(0);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}

void Scene::bindBlock(ShaderProgram* program, const char* blockName, const UniformBuffer& block) const
{
    const GLuint index = program->getUniformBlockIndex(blockName);
    if (index >= FIRST_INVALID_BLOCK_INDEX) {
        return;
    }
    glUniformBlockBinding(program->getHandle(), index, index);
    glBindBufferBase(GL_UNIFORM_BUFFER, index, block.buffer);
}

void Scene::renderPass(std::int32_t pass)
{
    RenderQueue::ProgramGroups* groups = renderQueue.getPass(pass);
    if (!groups) {
        return;
    }
    for (auto& group : *groups) {
        if (group.second.empty()) {
            continue;
        }
        ShaderProgram* program = group.first;
        if (program && program->getHandle() != 0) {
            drawGroup(program, group.second);
        } else {
            // A material without a working program has nothing to draw with.
            // Its requests are dropped so they do not pile up frame by frame.
            for (Renderable* renderable : group.second) {
                delete renderable;
            }
            group.second.clear();
        }
    }
    renderQueue.removePass(pass);
}

void Scene::drawGroup(ShaderProgram* program, RenderQueue::RenderList& list)
{
    glUseProgram(program->getHandle());
    bindBlock(program, "LightingInfo", lightingBlock);
    bindBlock(program, "CameraInfo", cameraBlock);
    glUniformMatrix4fv(program->getUniformLocation("depthBiasPVMat"), 1, GL_FALSE, glm::value_ptr(depthBiasPV));
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, shadowTexture ? shadowTexture->handle : 0);
    glUniform1i(program->getUniformLocation("shadow"), 0);
    glActiveTexture(GL_TEXTURE0 + CASTER_MASK_UNIT);
    glBindTexture(GL_TEXTURE_2D, casterTexture ? casterTexture->handle : 0);
    glUniform1i(program->getUniformLocation("shadowCasters"), CASTER_MASK_UNIT);
    // Without an occluder every caster's depth, the planet's too, fills the map.
    glUniform1i(program->getUniformLocation("occluderShadowMapped"), wholeOccluderShadow || !occluder ? 1 : 0);
    glActiveTexture(GL_TEXTURE0);

    const GLint modelLocation = program->getUniformLocation("modelMat");
    const GLint normalLocation = program->getUniformLocation("normalMat");
    Statistics* statistics = Statistics::getInstance();
    for (Renderable* renderable : list) {
        ++statistics->renderedObjects;
        if (Material* material = renderable->getMaterial()) {
            material->bind();
        }
        const glm::mat4 model = renderable->node ? renderable->node->getWorldMatrix() : glm::mat4(1.0f);
        glUniformMatrix4fv(modelLocation, 1, GL_FALSE, glm::value_ptr(model));
        const glm::mat3 normal = glm::inverse(glm::transpose(glm::mat3(camera->getView() * model)));
        glUniformMatrix3fv(normalLocation, 1, GL_FALSE, glm::value_ptr(normal));
        statistics->renderedTriangles += renderable->draw();
        delete renderable;
    }
    list.clear();
}

void Scene::copyToWindow()
{
    // Everything drawn after the scene (flare, counts, overlays, cursor)
    // covers the whole window, whatever size the target has.
    Drawing* drawing = Drawing::getInstance();
    const auto windowWidth = static_cast<GLint>(drawing->getScreenWidth());
    const auto windowHeight = static_cast<GLint>(drawing->getScreenHeight());
    glViewport(0, 0, windowWidth, windowHeight);
    // The copy covers the whole window and nothing drawn later tests depth,
    // so the window is only cleared when there is nothing to copy.
    if (!mainTexture) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        return;
    }
    // A straight copy, pixel for pixel when the window and the target have
    // the same size: the same picture a textured rectangle over the whole
    // window gives, without shading a fragment. A smaller target is scaled
    // up with linear filtering.
    const auto width = static_cast<GLint>(mainTexture->width);
    const auto height = static_cast<GLint>(mainTexture->height);
    const bool sameSize = width == windowWidth && height == windowHeight;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, mainFramebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glBlitFramebuffer(0, 0, width, height, 0, 0, windowWidth, windowHeight, GL_COLOR_BUFFER_BIT,
                      sameSize ? GL_NEAREST : GL_LINEAR);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

} // namespace BV
