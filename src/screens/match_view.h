// A match drawn from its read-only view: the whole scene of the frame it is about to show, any
// number of times (or none) per step. The match itself never draws.
#pragma once

#include "cpu/computer_turn.h"
#include "match/match.h"
#include "rules/match_state.h"

namespace kokurin {

// The frame the match shows next: the match screen and what its phase adds (the human's cursor
// and selection with the board's picks, the computer's cursor and mark, a strike's flash, the
// winner's texts with the whole screen as one pick); nothing for the bare frame between turns; after the winner screen was left
// with SPACE, the match screen once more (kept: mixed-frame).
// cursor (null: the match's own cell) places the human's cursor elsewhere, in the drawing only.
struct CursorPlace {
    float col = 0.0f;
    float row = 0.0f;
};
void drawMatch(const Match& match, const CursorPlace* cursor = nullptr);

// The orange cursor square and, while raised, the blue mark.
void drawComputerCursor(const MatchState& state, const ComputerTurn& turn);

} // namespace kokurin
