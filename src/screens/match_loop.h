// One match: turns, the shown cascade, the clash, the end test and the winner screen; the human
// turn and its hint.
#pragma once

#include "rules/match_state.h"

namespace kokurin {

// True when the application must quit; false when the match ended or was abandoned.
bool runMatch(MatchState& state);
// One human turn; true when the application must quit.
bool humanTurn(MatchState& state);
// Tries all 630 exchanges and shows the best in a message box; changes nothing.
void showHint(const MatchState& state);

// The hint's text for the best pair (or the Japanese notice when no pair beats the start
// values); exposed so the hint can be checked without a message box.
const char* hintText(const MatchState& state);

} // namespace kokurin
