#pragma once

#include <string>

#include "Image.h"

namespace BV {

class TextPainter;

// Pictures of the game's interface: the statistics panel and its value
// atlas, the signs over towers, the end screens and the mouse cursors.
class InterfacePainter {
public:
    explicit InterfacePainter(const TextPainter& text);

    // Panel drawn at the window's top-left corner at its own size; its labels
    // sit left of x = 120 on the rows where the values are drawn (tops at
    // y = 30, 50, 70, 90, 130 and 150, each 14 pixels high).
    Image statisticsPanel() const;
    // 160 x 70 atlas of five 14-pixel rows (v grows upwards): digits 0-9 in
    // cells 0.1 wide (v 0.8-1.0); "ON" | "OFF" halves (0.6-0.8); "NEAREST"
    // (0.4-0.6); "LINEAR" (0.2-0.4); "TRILINEAR" (0.0-0.2). Drawn 1:1.
    Image statisticsFields() const;
    // 240 x 32 digits 0-9 in cells 24 wide, drawn 1:1 for the garrison
    // counts beside towers: large, light, in a dark rim that reads on any
    // ground, sky or glare.
    Image countDigits() const;
    // 256 x 256 signs over a tower: a round badge in the upper right corner,
    // the rest transparent so the tower shows beside it.
    Image constructionSign() const;
    Image fullSign() const;
    Image endScreen(bool won) const;
    // 512 x 160 sign over the paused game: "PAUSED" on a dark band that
    // fades out at the ends, and how to go on.
    Image pausedSign() const;
    // The hot spot of every cursor is its top-left pixel: the arrow's tip.
    // kind: 0 default, 1 attack, 2 build, 3 select.
    Image cursor(int kind) const;

private:
    // Largest pixel size up to maxSize at which text fits into width.
    int fitSize(const std::string& text, int maxSize, int width) const;
    void glowText(Image& image, const std::string& text, int size, int baseline, const Colour& colour,
                  const Colour& glow, int glowRadius) const;

    const TextPainter& text;
};

} // namespace BV
