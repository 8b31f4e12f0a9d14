// One match: turns, the shown cascade, the clash, the end test and the winner screen.
#pragma once

#include "rules/match_state.h"

namespace kokurin {

// True when the application must quit; false when the match ended or was abandoned.
bool runMatch(MatchState& state);

} // namespace kokurin
