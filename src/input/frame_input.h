// A frame's input from the devices: the match keys among the keys down, the key numbers of the
// match keys' bits, and what a poll of the devices counts as down.
#pragma once

#include <cstdint>

#include "input/match_input.h"
#include "platform/platform.h"

namespace kokurin {

// The key number of each bit of FrameInput::keys.
extern const int matchKeys[matchKeyCount];

// The match keys among the keys down.
FrameInput frameInputOfKeys(const bool down[keyboardKeys]);
// Sets down[k] for every match key the input holds (other entries are left alone).
void addFrameInputKeys(const FrameInput& input, bool down[keyboardKeys]);
// Whether key number k is one of the match's.
bool isMatchKey(int key);

// The keys a poll of the devices counts as down: held keys, keys tapped since the last poll
// (a press between two polls is never lost), and the pads' buttons as their seats' keys (the
// first pad plays 1P, the second 2P; on both Back is ESC and Y is H).
void keysOfReading(const DeviceReading& reading, bool down[keyboardKeys]);

} // namespace kokurin
