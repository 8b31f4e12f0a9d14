// The five-phase clash of one encounter between the two queues' back elements.
#pragma once

#include "rules/match_state.h"

namespace kokurin {

// True when x overcomes y in the cycle fire > metal > wood > earth > water > fire.
bool overcomes(int x, int y);
// One step: the back elements fight; true when both queues are still non-empty afterwards.
bool clashStep(MatchState& state);

} // namespace kokurin
