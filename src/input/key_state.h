// The per-key hold counters every screen reads, and the keys of the two human seats.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace kokurin {

// Counters 0 .. keyboardKeys - 1 are the keyboard's (and the pads a front end maps onto it).
constexpr int keyStateSize = 512;

// Counter per key number: consecutive polls the key has been down, 0 while up.
extern std::int32_t keyState[keyStateSize];

// Each human seat's keys in the order left, right, up, down, select.
enum PlayerKey : int { keyLeftIndex = 0, keyRightIndex, keyUpIndex, keyDownIndex, keySelectIndex };
extern const int playerKeys[2][5];

// Advances the key table by one poll: down[k] tells whether key number k is held now.
void updateKeyStates(const bool down[keyboardKeys]);

// The counter rule: one more while down, back to 0 when up.
inline void updateKeyCounter(std::int32_t& counter, bool down) {
    counter = down ? counter + 1 : 0;
}
// First frame down: the only test the screens use.
inline bool keyPressed(int code) {
    return keyState[code] == 1;
}

} // namespace kokurin
