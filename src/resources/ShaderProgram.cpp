#include "resources/ShaderProgram.h"

#include <vector>

#include "app/Log.h"
#include "resources/Shader.h"

namespace BV {

namespace {
constexpr GLsizei infoLogSize = 2048;
}

ShaderProgram::ShaderProgram(ResourceLoader* loader) : Resource(loader) {}

bool ShaderProgram::link()
{
    if (linkAttempted) {
        Log::getInstance().write("Trying to re-link ShaderProgram: " + getName(), CRITICAL);
        return false;
    }
    if (!vertexShader || !fragmentShader) {
        Log::getInstance().write("Failed to link ShaderProgram: " + getName() +
                                     ": Either VertexShader or Fragmentshader are not set.",
                                 CRITICAL);
        return false;
    }
    linkAttempted = true;
    handle = glCreateProgram();
    glAttachShader(handle, vertexShader->getHandle());
    glAttachShader(handle, fragmentShader->getHandle());
    glLinkProgram(handle);
    GLint status = GL_FALSE;
    glGetProgramiv(handle, GL_LINK_STATUS, &status);
    if (status != GL_TRUE) {
        GLchar infoLog[infoLogSize] = {};
        glGetProgramInfoLog(handle, infoLogSize, nullptr, infoLog);
        Log::getInstance().write("Failed to link shader " + getName() + "\n" + infoLog, CRITICAL);
        glDeleteProgram(handle);
        // The refusal of a second link rests on linkAttempted; the deleted
        // number must not be used (or deleted again) once GL reuses it.
        handle = 0;
        return false;
    }
    // Validation depends on the GL state at draw time, so its verdict here
    // means nothing; a linked program is accepted.
    glValidateProgram(handle);
    cacheActiveUniforms();
    return true;
}

void ShaderProgram::cacheActiveUniforms()
{
    GLint maxLength = 0;
    GLint count = 0;
    glGetProgramiv(handle, GL_ACTIVE_UNIFORM_MAX_LENGTH, &maxLength);
    glGetProgramiv(handle, GL_ACTIVE_UNIFORMS, &count);
    std::vector<GLchar> name(static_cast<std::size_t>(maxLength) + 1, '\0');
    for (GLint index = 0; index < count; ++index) {
        GLsizei length = 0;
        GLint size = 0;
        GLenum type = 0;
        glGetActiveUniform(handle, static_cast<GLuint>(index), static_cast<GLsizei>(name.size()), &length, &size, &type,
                           name.data());
        getUniformLocation(name.data());
    }
}

GLint ShaderProgram::getUniformLocation(const char* name)
{
    const auto it = locations.find(name);
    if (it != locations.end()) {
        return it->second;
    }
    if (handle == 0) {
        return -1;
    }
    const GLint location = glGetUniformLocation(handle, name);
    locations.emplace(name, location);
    return location;
}

GLuint ShaderProgram::getUniformBlockIndex(const char* name)
{
    const auto it = locations.find(name);
    if (it != locations.end()) {
        return static_cast<GLuint>(it->second);
    }
    if (handle == 0) {
        return GL_INVALID_INDEX;
    }
    const GLuint index = glGetUniformBlockIndex(handle, name);
    locations.emplace(name, static_cast<GLint>(index));
    return index;
}

void ShaderProgram::releaseGL()
{
    if (handle != 0) {
        glDeleteProgram(handle);
        handle = 0;
    }
    locations.clear();
}

} // namespace BV
