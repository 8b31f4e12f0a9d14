// Keyboard and pads into the game's key numbers: keys by scancode, the first pad plays seat 1
// (d-pad = W A S D, A = SPACE), the second seat 2 (d-pad = arrows, A = RETURN); on both, Back is
// ESC and Y is H.
#pragma once

#include <SDL.h>

#include "platform/platform.h"

namespace kokurin {
namespace sdl {

// Keeps track of keys going down and up and of pads coming and going.
void handleInputEvent(const SDL_Event& event);
// The keys down now, keyboard and pads together.
void keysDown(bool down[keyboardKeys]);
// Lets every seated pad go.
void closePads();

} // namespace sdl
} // namespace kokurin
