#pragma once

#include <string>
#include <vector>

#include "scene/Billboard.h"

namespace BV {

class Texture;

// A billboard that shows a picture: the building status signs directly, and
// the planet halo and the swarms through subclasses. Its material is shared
// by name between billboards; each construction sets the material's program
// again from the two shader names.
class TextureBillboard : public Billboard {
public:
    // The shader and material names are resource names ("...frag",
    // "...vert", "...mmat"). The texture is owned by the resource manager.
    TextureBillboard(Texture* texture, const char* fragmentShader, const char* vertexShader, const char* materialName,
                     float width, float height);
    // Several textures all go to unit 0 under "texture0", so the last one is
    // the one drawn; every user passes exactly one.
    TextureBillboard(const std::vector<Texture*>& textures, const char* fragmentShader, const char* vertexShader,
                     const char* materialName, float width, float height);

    // Alpha blending and the picture on texture unit 0 as "texture0".
    void prepareDraw() override;

    const std::vector<Texture*>& getTextures() const { return textures; }
    // Makes texture the first (drawn) picture, appending it to an empty
    // list. Loads it if it is not loaded.
    void setTexture(Texture* texture);

protected:
    // The material named materialName with the program of the two shaders;
    // also loads every texture that is not loaded.
    Material* loadMaterial() override;

    std::vector<Texture*> textures; // not owned
    // Kept as copies: callers may pass names that do not outlive the call.
    std::string fragmentShader;
    std::string materialName;
    std::string vertexShader;
};

} // namespace BV
