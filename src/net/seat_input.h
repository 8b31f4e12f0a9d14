// How the two seats' inputs become one frame's input online: each player sends only their own
// seat's keys, and every client and the server merge them the same way.
#pragma once

#include <cstdint>

#include "input/match_input.h"

namespace kokurin::net {

// The local player's keys as their seat's: either key set of the local keyboard moves the local
// seat; ESC (leave) is kept; H is dropped, as the hint's message box would stop both players.
FrameInput seatInput(const FrameInput& local, int seat);

// A frame's input from both seats' inputs: each seat's own keys and ESC, the pointer of the
// seat to move.
FrameInput mergeSeatInputs(const FrameInput& first, const FrameInput& second, int mover);

// Whether a seat's input holds ESC (the seat leaves).
inline bool seatLeaves(const FrameInput& input) {
    return (input.keys & 1u) != 0;
}

} // namespace kokurin::net
