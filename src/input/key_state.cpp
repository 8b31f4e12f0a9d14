// The key-state table shared by every screen, and the two seats' key codes.
#include "input/key_state.h"

std::int32_t keyState[keyStateSize] = {};

const int playerKeys[2][5] = {
    {keyA, keyD, keyW, keyS, keySpace},
    {keyLeft, keyRight, keyUp, keyDown, keyReturn},
};

void updateKeyboardCounters(const std::uint8_t buffer[256]) {
    for (int code = 0; code < 256; ++code) {
        updateKeyCounter(keyState[code], (buffer[code] & 0x80) != 0);
    }
}
