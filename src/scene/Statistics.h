#pragma once

#include <cstdint>

#include "app/Singleton.h"

namespace BV {

class Material;
class Texture;

// The frame counters and render switches of the program, and the small
// overlay in the window's top-left corner that shows them. The switches are
// read by the frame renderer and the swarms and flipped by function keys; the
// counters are written by the game (frames) and the frame renderer (objects,
// triangles). It also carries the game's ended flag and end time.
//
// The fields are public on purpose: several subsystems read and write them
// directly every frame, and none of them has an invariant to protect.
class Statistics : public Singleton<Statistics> {
public:
    // F2: show or hide the overlay.
    void toggleOverlay();
    // F3: the 3D passes drawn as lines or filled (read by the scene).
    void toggleWireframe();
    // F4: GL_LINEAR <-> GL_NEAREST; reaches the image textures only while
    // mipmaps are off.
    void toggleSamplingQuality();
    // F5: GL_LINEAR_MIPMAP_LINEAR -> off (0) -> GL_NEAREST -> back; applied to
    // every image texture at once.
    void toggleMipmapQuality();
    // F8: whether the scene skips nodes outside the view.
    void toggleCulling();
    // F9: whether the passes (and the swarms) blend.
    void toggleBlending();

    // Draws the overlay if it is visible; called once per frame, late.
    void draw();

    // A count drawn with the large outlined digits of countTexture, whether
    // or not the overlay is visible, with its top-left corner at (x, y) in
    // window pixels; for labels the game puts beside things on screen.
    // Blends by alpha and leaves the atlas's program current.
    void drawCount(std::uint16_t number, float x, float y);
    // The width and the height in pixels that drawCount covers for number.
    float countWidth(std::uint16_t number) const;
    float countHeight() const;

    std::uint32_t framesPerSecond = 0; // frames counted in the last full second
    double secondAccumulator = 0.0;    // seconds since framesPerSecond was updated
    std::uint32_t frameCounter = 0;    // frames since then
    bool wireframe = false;
    bool culling = true;
    bool blending = true;
    bool overlayVisible = false;
    // GL enums, spelled as numbers so this header needs no GL header; the
    // source checks them against GL_LINEAR and GL_LINEAR_MIPMAP_LINEAR.
    std::uint32_t samplingQuality = 0x2601; // GL_LINEAR (start) or GL_NEAREST
    std::uint32_t mipmapQuality = 0x2703;   // GL_LINEAR_MIPMAP_LINEAR (start), 0 (off) or GL_NEAREST
    std::uint32_t renderedObjects = 0;      // renderables drawn this frame
    std::uint32_t renderedTriangles = 0;    // triangles drawn this frame
    // Owned by the resource manager; null only if no loader serves them.
    Texture* panelTexture = nullptr;  // background panel with the labels
    Texture* fieldsTexture = nullptr; // atlas of digits and values, 5 rows
    // Digits 0 to 9 in ten cells of one row, drawn 1:1, for the counts.
    Texture* countTexture = nullptr;
    Material* material = nullptr; // "Statistics.mmat": maps the rectangle into one atlas cell
    bool gameEnded = false;
    double endTime = 0.0; // glfwGetTime when the game ended; meaningful only once gameEnded

private:
    friend class Singleton<Statistics>;
    Statistics();

    void applyFilters();
    void drawCell(float sizeU, float sizeV, float posU, float posV, float x, float y, float width);
    void drawNumber(std::uint16_t number, float x, float y);
    // Digits of number from texture's cells (size and v of the digit row as
    // the atlas lays them out), each cell overlapping the last by overlap.
    void drawDigits(std::uint16_t number, float x, float y, Texture* texture, float sizeV, float posV, float height,
                    float overlap);
    float atlasWidth() const;
};

} // namespace BV
