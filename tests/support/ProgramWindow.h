#pragma once

#include <cstdint>

namespace BV::testkit {

// Writes "Brevamoor.config" for a window of width x height pixels and the
// given planet size, loads it, and puts the player's own file back.
void configureGame(std::uint16_t planetSize, unsigned width = 800, unsigned height = 600);

// The window of a program that plays the game outside the tests (a
// benchmark, the self-play report, a screenshot): an OpenGL 3.3 core window
// without vertical sync, the resource loaders and the overlay drawing.
// False, with a line on stderr, where no window can be opened.
bool openProgramWindow(int width, int height, const char* title);

} // namespace BV::testkit
