#include "game/FaceNumbers.h"

#include <GL/glew.h>
#include <glm/gtc/type_ptr.hpp>

#include "resources/ResourceManager.h"
#include "resources/ShaderProgram.h"
#include "resources/ShaderProgramLoader.h"

namespace BV {

FaceNumbers::~FaceNumbers()
{
    // Never drawn, it made nothing, and may outlive (or never have had) a
    // context.
    if (framebuffer != 0) {
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteTextures(1, &numberTexture);
    }
    if (vertexTexture != 0) {
        glDeleteTextures(1, &vertexTexture);
    }
}

bool FaceNumbers::draw(unsigned int meshBuffer, std::size_t meshFloats, const glm::mat4& model,
                       const std::function<void()>& drawFaces)
{
    GLint scene = 0;
    GLint current = 0;
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &scene);
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    glGetIntegerv(GL_VIEWPORT, viewport);
    if (scene == 0 || current == 0) {
        return false;
    }
    GLint depthType = GL_NONE;
    GLint depthBuffer = 0;
    glGetFramebufferAttachmentParameteriv(GL_DRAW_FRAMEBUFFER, GL_DEPTH_ATTACHMENT,
                                          GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE, &depthType);
    if (depthType != GL_RENDERBUFFER) {
        return false;
    }
    glGetFramebufferAttachmentParameteriv(GL_DRAW_FRAMEBUFFER, GL_DEPTH_ATTACHMENT,
                                          GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME, &depthBuffer);
    if (!prepareProgram() || !prepareVertices(meshBuffer, meshFloats) ||
        !prepareTarget(viewport[0] + viewport[2], viewport[1] + viewport[3], static_cast<GLuint>(depthBuffer))) {
        glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(scene));
        return false;
    }
    static const GLfloat none[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    glClearBufferfv(GL_COLOR, 0, none);
    const GLuint handle = program->getHandle();
    glUseProgram(handle);
    // The camera's block is where the planet's program finds it.
    GLint binding = 0;
    const GLuint planetBlock = glGetUniformBlockIndex(static_cast<GLuint>(current), "CameraInfo");
    const GLuint ownBlock = glGetUniformBlockIndex(handle, "CameraInfo");
    if (planetBlock != GL_INVALID_INDEX && ownBlock != GL_INVALID_INDEX) {
        glGetActiveUniformBlockiv(static_cast<GLuint>(current), planetBlock, GL_UNIFORM_BLOCK_BINDING, &binding);
        glUniformBlockBinding(handle, ownBlock, static_cast<GLuint>(binding));
    }
    glUniformMatrix4fv(program->getUniformLocation("modelMat"), 1, GL_FALSE, glm::value_ptr(model));
    GLboolean blend = GL_FALSE;
    glGetBooleanv(GL_BLEND, &blend);
    glDisable(GL_BLEND);
    drawFaces();
    if (blend) {
        glEnable(GL_BLEND);
    }
    glUseProgram(static_cast<GLuint>(current));
    glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(scene));
    return true;
}

bool FaceNumbers::prepareProgram()
{
    if (!program) {
        auto* programs = static_cast<ShaderProgramLoader*>(ResourceManager::getInstance()->getLoader("shdr"));
        if (!programs) {
            return false;
        }
        program = programs->createProgram("resources/shader/planet_faces.vert", "resources/shader/planet_faces.frag");
    }
    return program->ensureLoaded() == Resource::LOADED;
}

bool FaceNumbers::prepareVertices(unsigned int meshBuffer, std::size_t meshFloats)
{
    if (vertexTexture != 0 && vertexSource == meshBuffer) {
        return true;
    }
    GLint limit = 0;
    glGetIntegerv(GL_MAX_TEXTURE_BUFFER_SIZE, &limit);
    if (meshBuffer == 0 || meshFloats > static_cast<std::size_t>(limit)) {
        return false;
    }
    if (vertexTexture == 0) {
        glGenTextures(1, &vertexTexture);
    }
    // The active unit may hold one of the planet's own buffer textures.
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_BUFFER, &bound);
    glBindTexture(GL_TEXTURE_BUFFER, vertexTexture);
    glTexBuffer(GL_TEXTURE_BUFFER, GL_R32F, meshBuffer);
    glBindTexture(GL_TEXTURE_BUFFER, static_cast<GLuint>(bound));
    vertexSource = meshBuffer;
    return true;
}

bool FaceNumbers::prepareTarget(int targetWidth, int targetHeight, unsigned int depthBuffer)
{
    if (targetWidth <= 0 || targetHeight <= 0) {
        return false;
    }
    if (framebuffer != 0 && targetWidth == width && targetHeight == height && depthBuffer == attachedDepth) {
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        return complete;
    }
    if (framebuffer == 0) {
        glGenFramebuffers(1, &framebuffer);
        glGenTextures(1, &numberTexture);
    }
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glBindTexture(GL_TEXTURE_2D, numberTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_R32F, targetWidth, targetHeight, 0, GL_RED, GL_FLOAT, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, numberTexture, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depthBuffer);
    width = targetWidth;
    height = targetHeight;
    attachedDepth = depthBuffer;
    complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    return complete;
}

} // namespace BV
