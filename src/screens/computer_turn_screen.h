// The computer's turn on screen: every frame of its thinking and cursor travel drawn and pumped.
#pragma once

#include "cpu/computer_turn.h"
#include "rules/match_state.h"

namespace kokurin {

// One whole computer turn; true when the application must quit. ESC ends only the turn,
// without an exchange.
bool playComputerTurn(MatchState& state);
// The orange cursor square and, while raised, the blue mark.
void drawComputerCursor(const MatchState& state, const ComputerTurn& turn);

} // namespace kokurin
