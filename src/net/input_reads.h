// What a match reads of a frame's input where it stands, so that a predicted input and the one
// the server's stream brings are told apart only where the match would tell them apart: the
// other player's keys while it is not their turn, or a pick outside a human's turn, change
// nothing and never cost a rollback.
#pragma once

#include <cstdint>
#include <vector>

#include "input/match_input.h"
#include "match/match.h"

namespace kokurin::net {

// The parts of a frame's (merged) input a match may read when it is stepped from where it
// stands: the keys whose press it tests, and whether it reads the pointer's pick.
struct InputReads {
    std::uint16_t keys = 0;
    bool pointer = false;
};

InputReads inputReads(const Match& match);

// Whether a frame the match reads as `reads` plays alike on input a (the frame before having had
// aBefore) and on b (after bBefore). The match reads a key by its press, the frame it goes down
// in: a key held on, or let go, reads as nothing.
bool readAlike(const FrameInput& a, const FrameInput& aBefore, const FrameInput& b,
               const FrameInput& bBefore, const InputReads& reads);

// The other seat's input while the server's stream has not brought it: the keys last known down
// are still down (a held key never presses again); a pick belongs to a single frame and is never
// repeated.
FrameInput predictedSeatInput(const std::vector<FrameInput>& stream);

} // namespace kokurin::net
