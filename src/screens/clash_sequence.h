// The animated clash after every turn and the damage the survivors deal.
#pragma once

#include "rules/match_state.h"

namespace kokurin {

// True when the application must quit; false when the clash finished or ESC cut it short.
bool resolveClash(MatchState& state);

} // namespace kokurin
