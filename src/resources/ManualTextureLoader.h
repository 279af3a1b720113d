#pragma once

#include <GL/glew.h>

#include "resources/TextureLoader.h"

namespace BV {

class Texture;

// Textures made in code with a size and format and no file behind them:
// the render targets. Their names end in ".tex".
class ManualTextureLoader : public TextureLoader {
public:
    // The texture of that name, allocated (no pixels, no mipmaps, repeat
    // wrap, the texture's filters) and loaded on the first call. Later calls
    // return it unchanged, whatever size and formats they ask for.
    Texture* createTexture(const char* name, int width, int height, GLint internalFormat, GLenum pixelFormat);

    // Re-applies the texture's filter fields to its texture object, which is
    // left bound. The state does not change: manual textures are complete
    // from their creation.
    void load(Resource* resource) override;
};

} // namespace BV
