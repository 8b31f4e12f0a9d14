// The computer's cursor travel: the orange cursor walks to the first chosen cell, the blue mark
// from there to the second, and the two cells are exchanged.
#pragma once

#include "cpu/computer_turn.h"
#include "rules/match_state.h"

namespace kokurin {

// One travel step when due (every N frames of the turn's personality once decided); true when
// it completed the exchange.
bool travelStep(MatchState& state, ComputerTurn& turn);
// Exchanges the cells under the cursor and under the mark, recording them in the turn.
void finalSwap(MatchState& state, ComputerTurn& turn);

} // namespace kokurin
