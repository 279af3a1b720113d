#pragma once

#include <cstdint>

#include <glm/glm.hpp>

#include "app/Singleton.h"

namespace BV {

class Texture;

// Draws the mouse pointer as the image of the current interaction. The game
// resets mode to DEFAULT at the start of every frame, its hover logic picks
// the mode that applies, and the cursor is drawn last, over everything.
class Cursor : public Singleton<Cursor> {
public:
    enum Mode : std::int32_t {
        DEFAULT = 0,
        ATTACK = 1,
        BUILD = 2,
        SELECT = 3,
    };

    // (x, y): the mouse position in window pixels; the image's top-left
    // corner goes there, at the image's own size.
    void draw(float x, float y);

    // The image that mode selects; any unknown mode shows the default arrow.
    Texture* currentImage() const;
    // Width and height in pixels that draw covers right of and below the
    // pointer with the current image; zero without one.
    glm::vec2 imageSize() const;

    std::int32_t mode = DEFAULT;

private:
    friend class Singleton<Cursor>;
    Cursor();

    // Owned by the resource manager.
    Texture* defaultImage = nullptr;
    Texture* attackImage = nullptr;
    Texture* buildImage = nullptr;
    Texture* selectImage = nullptr;
};

} // namespace BV
