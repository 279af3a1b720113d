#include "scene/Billboard.h"

#include <GL/glew.h>

#include "app/Log.h"
#include "resources/Material.h"
#include "resources/ShaderProgram.h"
#include "scene/BillboardRenderable.h"
#include "scene/RenderQueue.h"

namespace BV {

namespace {

// The unit quad around the origin in triangle-strip order; the vertex
// shader scales it by "billboardSize" and turns it towards the camera.
const float quadCorners[4 * 2] = {
    -0.5f, -0.5f, //
    0.5f,  -0.5f, //
    -0.5f, 0.5f,  //
    0.5f,  0.5f,  //
};

} // namespace

Billboard::Billboard(float width, float height)
    : width(width), height(height),
      // A cube of the width on every axis, whatever the height: the box only
      // has to hold the quad in any orientation for culling.
      box(glm::vec3(-width * 0.5f), glm::vec3(width * 0.5f))
{
    visible = true;
    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    glGenBuffers(1, &vertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, sizeof(quadCorners), quadCorners, GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 2 * sizeof(float), nullptr);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindVertexArray(0);
}

Billboard::~Billboard()
{
    // A vertex array does not own its buffers: both go.
    if (vertexArray != 0) {
        glDeleteVertexArrays(1, &vertexArray);
    }
    if (vertexBuffer != 0) {
        glDeleteBuffers(1, &vertexBuffer);
    }
}

void Billboard::init()
{
    material = loadMaterial();
    if (!material) {
        return; // no loader for ".mmat"; logged by the resource manager
    }
    Log::getInstance().write(material->getName(), TRACE);
    material->ensureLoaded();
}

BoundingBox Billboard::getBoundingBox()
{
    return box;
}

void Billboard::update(double) {}

void Billboard::collectRenderables(RenderQueue& queue)
{
    if (visible) {
        // Owned by the queue until the pass has drawn it.
        queue.add(new BillboardRenderable(this));
    }
}

void Billboard::prepareDraw() {}

void Billboard::finishDraw() {}

std::uint32_t Billboard::draw()
{
    if (material && material->program) {
        glUniform2f(material->program->getUniformLocation("billboardSize"), width, height);
    }
    prepareDraw();
    glBindVertexArray(vertexArray);
    if (instanceCount > 1) {
        glDrawArraysInstanced(GL_TRIANGLE_STRIP, 0, 4, static_cast<GLsizei>(instanceCount));
    } else {
        glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    }
    glBindVertexArray(0);
    finishDraw();
    return 2 * instanceCount;
}

} // namespace BV
