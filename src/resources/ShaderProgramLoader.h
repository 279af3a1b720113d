#pragma once

#include "resources/ResourceLoader.h"

namespace BV {

class ShaderProgram;

// Creates shader programs from pairs of shader files. A name ending in
// ".shdr" asked for directly gives a program without shaders, which never
// loads: programs are made with createProgram.
class ShaderProgramLoader : public ResourceLoader {
public:
    Resource* createResource() override;
    // Loads both shaders if needed, then links.
    void load(Resource* resource) override;
    // The program's shaders belong to the shader loader and stay.
    void destroyResource(Resource* resource) override;

    // The program of the two shader files, created on first use under
    // "<vertexFile>_<fragmentFile>.shdr"; it is not loaded here.
    ShaderProgram* createProgram(const char* vertexFile, const char* fragmentFile);

    static std::string programName(const std::string& vertexFile, const std::string& fragmentFile);
};

} // namespace BV
