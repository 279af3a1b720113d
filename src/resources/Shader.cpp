#include "resources/Shader.h"

#include "app/Log.h"

namespace BV {

namespace {
constexpr GLsizei infoLogSize = 2048;
}

Shader::Shader(ResourceLoader* loader) : Resource(loader) {}

bool Shader::compile()
{
    if (compiled) {
        Log::getInstance().write("Trying to recompile shader: " + getName(), TRACE);
        return false;
    }
    if (source.empty()) {
        Log::getInstance().write("Trying to compile empty shader: " + getName(), TRACE);
        return false;
    }
    handle = glCreateShader(type);
    const GLchar* text = source.c_str();
    glShaderSource(handle, 1, &text, nullptr);
    glCompileShader(handle);
    GLint status = GL_FALSE;
    glGetShaderiv(handle, GL_COMPILE_STATUS, &status);
    if (status == GL_TRUE) {
        compiled = true;
        return true;
    }
    GLchar infoLog[infoLogSize] = {};
    glGetShaderInfoLog(handle, infoLogSize, nullptr, infoLog);
    Log::getInstance().write("Failed to compile shader " + getName() + "\n" + infoLog, CRITICAL);
    glDeleteShader(handle);
    // Keeping the deleted number would let a later release delete whatever
    // object GL hands that number to next.
    handle = 0;
    return false;
}

void Shader::releaseGL()
{
    if (handle != 0) {
        glDeleteShader(handle);
        handle = 0;
        compiled = false;
    }
}

} // namespace BV
