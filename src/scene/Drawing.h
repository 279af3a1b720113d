#pragma once

#include <cstdint>

#include "app/Singleton.h"

namespace BV {

class Material;
class Texture;

// Draws a texture as an axis-aligned rectangle given in window pixels, with
// (0, 0) at the window's top-left corner. It is the program's only 2D
// facility: the frame copy to the window, the cursor, the statistics overlay,
// the lens flare and the end screens all go through it.
class Drawing : public Singleton<Drawing> {
public:
    // Called once by the start-up code, after the window exists, with the
    // window's framebuffer size in pixels.
    void init(std::uint32_t width, std::uint32_t height);
    // The window's new framebuffer size in pixels, whenever it changes. A
    // zero side is ignored: nothing is drawn while the window has no area.
    void setScreenSize(std::uint32_t width, std::uint32_t height);

    // Makes the program of our own material current, then drawWith it.
    void draw(Texture* texture, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h);

    // Draws with the given material, whose program the caller has already made
    // current. (x, y) is the top-left corner in pixels; w or h equal to 0
    // means the whole window. Nothing is clipped: negative positions simply
    // put part of the rectangle off screen.
    void drawWith(Material* material, Texture* texture, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h);

    // "Drawing.mmat"; owned by the resource manager. Null before init.
    Material* getMaterial() const { return material; }
    float getScreenWidth() const { return screenWidth; }
    float getScreenHeight() const { return screenHeight; }

private:
    friend class Singleton<Drawing>;
    Drawing() = default;

    void buildRectangle();

    // The unit rectangle: top-left corner at the origin, one unit right and
    // one unit down, texture v growing upwards.
    std::uint32_t vertexArray = 0;
    float screenWidth = 0.0f;
    float screenHeight = 0.0f;
    float pixelToNdcX = 0.0f;
    float pixelToNdcY = 0.0f;
    Material* material = nullptr;
};

} // namespace BV
