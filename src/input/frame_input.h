// A frame's input as a value: what the match reads this frame (the two seats' keys, ESC and H, a
// pointer's pick), apart from the keys that belong to the person at this screen (M and the
// window's keys). Recording, replaying and the network all carry these values.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace kokurin {

// The keys a match reads, in bit order: shared ESC and H, 1P's five, 2P's five.
constexpr int matchKeyCount = 12;
extern const int matchKeys[matchKeyCount];
// Bits of FrameInput::keys that belong to each seat (its five keys) and to both (ESC and H).
constexpr std::uint16_t sharedKeyBits = 0x0003;
constexpr std::uint16_t seatKeyBits[2] = {0x007c, 0x0f80};

struct FrameInput {
    // Bit i set: matchKeys[i] is down.
    std::uint16_t keys = 0;
    // 0: no pick; 1 + n: a pointer picked target n this frame (a cell, a roster entry).
    std::uint8_t pointer = 0;

    bool operator==(const FrameInput& other) const {
        return keys == other.keys && pointer == other.pointer;
    }
    bool operator!=(const FrameInput& other) const { return !(*this == other); }
};

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
