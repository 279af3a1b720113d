#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include <glm/vec3.hpp>

#include "resources/Resource.h"

namespace BV {

class ShaderProgram;
class Texture;

// A shader program with its named textures and lighting constants, all
// uploaded as uniforms just before something is drawn with it. Materials
// are built in code under names ending in ".mmat": the creator fills the
// fields once, then loads it.
class Material : public Resource {
public:
    explicit Material(ResourceLoader* loader);

    // Stores the texture for the sampler uniform of that name. A sampler
    // name already in use keeps its first texture (logged), and a missing
    // texture (one whose name found no loader) is refused (logged).
    void addTexture(const std::string& sampler, Texture* texture);

    // Uploads kD, kS, shininess, time (seconds since GLFW started), the
    // textures on units 1, 2, ... and the extra floats into the program,
    // which the caller has made current. Unit 0 stays free for the shadow
    // map.
    virtual void bind();

    ShaderProgram* program = nullptr; // not owned
    // Sampler uniform name -> texture; textures not owned.
    std::unordered_map<std::string, Texture*> textures;
    // Extra float uniforms, uploaded on every bind.
    std::unordered_map<std::string, float> floats;
    glm::vec3 kD{0.0f};
    glm::vec3 kS{0.0f};
    std::int32_t shininess = 0;
};

} // namespace BV
