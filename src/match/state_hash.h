// A 32-bit digest of everything a match decides from: the board, both queues, the timer, the
// cursor, the opponent, the hit points, the mover and the shared generator. Two runs that agree
// on it agree on the match; replays and online play compare it.
#pragma once

#include <cstdint>

#include "rng/sfmt19937.h"
#include "rules/match_state.h"

namespace kokurin {

std::uint32_t hashMatchState(const MatchState& state, const Sfmt19937& random);

} // namespace kokurin
