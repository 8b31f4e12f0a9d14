// The per-input hold counters every screen reads, and the key codes of the two human seats.
#pragma once

#include <cstdint>

constexpr int keyStateSize = 512;

// DirectInput key codes the screens read.
enum KeyCode : int {
    keyEscape = 1,
    keyW = 17,
    keyReturn = 28,
    keyA = 30,
    keyS = 31,
    keyD = 32,
    keyH = 35,
    keySpace = 57,
    keyUp = 200,
    keyLeft = 203,
    keyRight = 205,
    keyDown = 208,
};

// Counter per input code: consecutive polls the input has been down, 0 while up.
extern std::int32_t keyState[keyStateSize];

// Each human seat's keys in the order left, right, up, down, select.
enum PlayerKey : int { keyLeftIndex = 0, keyRightIndex, keyUpIndex, keyDownIndex, keySelectIndex };
extern const int playerKeys[2][5];

// The counter rule: one more while down, back to 0 when up.
inline void updateKeyCounter(std::int32_t& counter, bool down) { counter = down ? counter + 1 : 0; }
// Updates codes 0..255 from a 256-byte DirectInput keyboard buffer (bit 7 = down).
void updateKeyboardCounters(const std::uint8_t buffer[256]);
// First frame down: the only test the screens use.
inline bool keyPressed(int code) { return keyState[code] == 1; }
