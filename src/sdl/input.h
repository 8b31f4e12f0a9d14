// Keyboard and pads at SDL's edge: keys by scancode as the game's key numbers, the first two pads'
// d-pad, A, Back and Y as pad buttons.
#pragma once

#include <SDL.h>

#include "platform/platform.h"

namespace kokurin {
namespace sdl {

// Keeps track of keys going down and up and of pads coming and going.
void handleInputEvent(const SDL_Event& event);
// The keys down now, the keys tapped since the last reading, and the pads' buttons.
void readDevices(DeviceReading& reading);
// Lets every seated pad go.
void closePads();

} // namespace sdl
} // namespace kokurin
