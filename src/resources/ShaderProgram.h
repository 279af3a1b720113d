#pragma once

#include <string>
#include <unordered_map>

#include <GL/glew.h>

#include "resources/Resource.h"

namespace BV {

class Shader;

// A linked pair of one vertex and one fragment shader. Programs have no
// file: they are made in code from the two shader file names and cached
// under "<vertex file>_<fragment file>.shdr".
class ShaderProgram : public Resource {
public:
    explicit ShaderProgram(ResourceLoader* loader);

    // Links the two shaders, which must be compiled. A program is linked at
    // most once per run: after a failed link every further attempt is
    // refused.
    bool link();

    // Both lookups share one cache, so the first lookup of a name decides
    // the value for both. -1 (GL_INVALID_INDEX for blocks) means the program
    // has no such name; it is cached too. A program that is not linked
    // answers -1 without caching, so that an early lookup cannot hide a
    // uniform the program gets when it links.
    GLint getUniformLocation(const char* name);
    GLuint getUniformBlockIndex(const char* name);

    void releaseGL() override;

    // 0 unless linked; bind with glUseProgram.
    GLuint getHandle() const { return handle; }
    Shader* getVertexShader() const { return vertexShader; }
    Shader* getFragmentShader() const { return fragmentShader; }

private:
    friend class ShaderProgramLoader;

    void cacheActiveUniforms();

    std::unordered_map<std::string, GLint> locations;
    Shader* vertexShader = nullptr;   // not owned: belongs to the shader loader
    Shader* fragmentShader = nullptr; // not owned
    GLuint handle = 0;
    bool linkAttempted = false;
};

} // namespace BV
