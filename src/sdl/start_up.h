// The SDL steps of the game's start-up and shutdown.
#pragma once

#include <string>

namespace kokurin {
namespace sdl {

// The folder the game's data/ is in, for the executable's folder (UTF-8, ending in a separator
// or not): that folder when data/ is beside it, else its ../share/kokurin when data/ is there,
// else the executable's folder still.
std::string dataFolderFor(const std::string& executableFolder);

// After runGame: lets go of the pads and the sound device and ends SDL.
void shutDown();

} // namespace sdl
} // namespace kokurin
