// Texts that name the seats' keys, told as the keys are bound. The tables name the default keys
// (WASD, SPACE, the arrows, ENTER); with other bindings in force those names are replaced by
// the bound keys' names, so that a text never names a key that no longer does what it says.
#pragma once

namespace kokurin {

// The text with the default keys' names replaced by the active bindings' (activeKeyBindings):
// "WASD", "W S" and "W/S" (1P's up, left, down, right), "SPACE" (1P's select), the arrows
// ("矢印", "arrows", "arrow keys", "UP/DOWN", "UP", "LEFT", "↑↓", "↑", "→", ...: 2P's), "ENTER"
// (2P's select).
// With the default bindings it is the text itself. The result lives until the bindings change;
// asking again for the same text allocates nothing.
const char* withBoundKeys(const char* text);

} // namespace kokurin
