// The key-state table shared by every screen, and the two seats' key codes.
#include "input/key_state.h"

namespace kokurin {

std::int32_t keyState[keyStateSize] = {};

const int playerKeys[2][5] = {
    {keyA, keyD, keyW, keyS, keySpace},
    {keyLeft, keyRight, keyUp, keyDown, keyReturn},
};

void updateKeyStates(const bool down[keyboardKeys]) {
    for (int code = 0; code < keyboardKeys; ++code) {
        updateKeyCounter(keyState[code], down[code]);
    }
}

} // namespace kokurin
