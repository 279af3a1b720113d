#pragma once

#include <string>

#include <GL/glew.h>

#include "resources/Resource.h"

namespace BV {

// One GLSL stage, read from a ".vert" or ".frag" file and compiled on load.
class Shader : public Resource {
public:
    explicit Shader(ResourceLoader* loader);

    // Compiles the source into a new shader object. A compiled shader is
    // never compiled again; a failed one may be, with a fresh object.
    bool compile();

    void releaseGL() override;

    bool isCompiled() const { return compiled; }
    GLenum getType() const { return type; }
    // 0 unless compiled.
    GLuint getHandle() const { return handle; }
    const std::string& getSource() const { return source; }

private:
    friend class ShaderLoader;

    std::string source;
    bool compiled = false;
    GLenum type = 0; // GL_VERTEX_SHADER or GL_FRAGMENT_SHADER, from the extension
    GLuint handle = 0;
};

} // namespace BV
