// The game's message box: SDL's simple box with one OK button, modal over the game's window.
#pragma once

#include <SDL.h>

namespace kokurin {
namespace sdl {

// Shows text in a box over parent (null: no window yet) and returns when it is closed; false
// when no box can be shown.
bool showBox(const char* text, SDL_Window* parent);

} // namespace sdl
} // namespace kokurin
