// The match keys as bits of a frame's input, and the one table of what a pad's buttons mean.
#include "input/frame_input.h"

namespace kokurin {

const int matchKeys[matchKeyCount] = {
    keyEscape, keyH, keyW, keyA, keyS, keyD, keySpace, keyUp, keyLeft, keyDown, keyRight, keyReturn,
};

namespace {

// What each pad button stands for in each seat; -1 for nothing.
constexpr int padKeys[2][7] = {
    // up, down, left, right, confirm, back, hint
    {keyW, keyS, keyA, keyD, keySpace, keyEscape, keyH},
    {keyUp, keyDown, keyLeft, keyRight, keyReturn, keyEscape, keyH},
};

} // namespace

FrameInput frameInputOfKeys(const bool down[keyboardKeys]) {
    FrameInput input;
    for (int bit = 0; bit < matchKeyCount; ++bit) {
        if (down[matchKeys[bit]]) {
            input.keys = static_cast<std::uint16_t>(input.keys | (1u << bit));
        }
    }
    return input;
}

void addFrameInputKeys(const FrameInput& input, bool down[keyboardKeys]) {
    for (int bit = 0; bit < matchKeyCount; ++bit) {
        if ((input.keys >> bit) & 1u) {
            down[matchKeys[bit]] = true;
        }
    }
}

bool isMatchKey(int key) {
    for (int matchKey : matchKeys) {
        if (matchKey == key) {
            return true;
        }
    }
    return false;
}

void keysOfReading(const DeviceReading& reading, bool down[keyboardKeys]) {
    for (int key = 0; key < keyboardKeys; ++key) {
        down[key] = reading.down[key] || reading.tapped[key];
    }
    for (int pad = 0; pad < devicePads; ++pad) {
        for (int button = 0; button <= padHint; ++button) {
            if ((reading.padButtons[pad] >> button) & 1u) {
                down[padKeys[pad][button]] = true;
            }
        }
    }
}

} // namespace kokurin
