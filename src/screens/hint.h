// The hint: every exchange looked ahead, the best one named in a box.
#pragma once

#include "rules/match_state.h"

namespace kokurin {

// Tries all 630 exchanges and shows the best in a message box; changes nothing.
void showHint(const MatchState& state);

// The hint's text for the best pair, "(c,r)-(c,r)" counted from 1 (or the Japanese notice when
// no pair beats the start values); exposed so the hint can be checked without a message box.
const char* hintText(const MatchState& state);

} // namespace kokurin
