// One human turn: the shared cursor, the selection, the exchange, the hint and the turn timer.
#pragma once

#include "rules/match_state.h"

namespace kokurin {

// One human turn of state.currentPlayer; true when the application must quit.
bool humanTurn(MatchState& state);

} // namespace kokurin
