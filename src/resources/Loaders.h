#pragma once

namespace BV {

// Creates the game's resource loaders and registers each with the resource
// manager under every extension it serves. Called once at start-up, after
// the window (and its GL context) exists.
void registerLoaders();

} // namespace BV
