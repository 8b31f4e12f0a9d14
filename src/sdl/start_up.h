// The SDL steps of the game's start-up and shutdown.
#pragma once

namespace kokurin {
namespace sdl {

// After runGame: lets go of the pads and the sound device and ends SDL.
void shutDown();

} // namespace sdl
} // namespace kokurin
