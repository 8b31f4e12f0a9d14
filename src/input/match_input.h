// A frame's input as a value: what the match reads this frame (the two seats' keys, ESC and H, a
// pointer's pick), apart from the keys that belong to the person at this screen (M and the
// window's keys). Recording, replaying and the network all carry these values, and a match is
// stepped by them; nothing here knows a device or a platform.
#pragma once

#include <cstdint>

namespace kokurin {

// The keys a match reads, in bit order: shared ESC and H, 1P's five, 2P's five.
constexpr int matchKeyCount = 12;
// Bits of FrameInput::keys that belong to each seat (its five keys) and to both (ESC and H).
constexpr std::uint16_t sharedKeyBits = 0x0003;
constexpr std::uint16_t seatKeyBits[2] = {0x007c, 0x0f80};

// The bit of each match key: ESC, H, 1P's W A S D SPACE, 2P's UP LEFT DOWN RIGHT RETURN.
enum MatchKeyBit : int {
    bitEscape = 0,
    bitHint,
    bitFirstUp,
    bitFirstLeft,
    bitFirstDown,
    bitFirstRight,
    bitFirstSelect,
    bitSecondUp,
    bitSecondLeft,
    bitSecondDown,
    bitSecondRight,
    bitSecondSelect,
};

// Each seat's keys in the order left, right, up, down, select (the order of playerKeys).
constexpr int seatKeyBitsInOrder[2][5] = {
    {bitFirstLeft, bitFirstRight, bitFirstUp, bitFirstDown, bitFirstSelect},
    {bitSecondLeft, bitSecondRight, bitSecondUp, bitSecondDown, bitSecondSelect},
};

struct FrameInput {
    // Bit i set: match key i is down.
    std::uint16_t keys = 0;
    // 0: no pick; 1 + n: a pointer picked target n this frame (a cell, a roster entry).
    std::uint8_t pointer = 0;

    bool operator==(const FrameInput& other) const {
        return keys == other.keys && pointer == other.pointer;
    }
    bool operator!=(const FrameInput& other) const { return !(*this == other); }
};

} // namespace kokurin
