// The SDL game's own modal box: drawn in the game's window over the scene on screen (the core's
// redrawScene), closed by a click, a tap or a key. The game waits while it is open.
#pragma once

namespace kokurin {
namespace sdl {

// Shows text in the game's box and returns once it is closed; false, showing nothing, where
// there is no window or no scene to show it over.
bool showGameBox(const char* text);

} // namespace sdl
} // namespace kokurin
