// Which personality a turn actually plays, and how many frames each of its cursor steps takes.
#pragma once

#include <cstdint>

namespace kokurin {

// The personality whose rules and speed a turn uses. Values no roster entry or rotation can
// produce (0, 8, 19, 20, 21, negatives, above 22) play as personality 1, so that every turn
// that reaches the frame loop has a step length and a think rule.
int playedPersonality(std::int32_t opponentType);
// N for the personality played with this opponentType: frames per cursor step, and the turn
// timer value 13 x N at which the decision is forced.
int stepFramesOf(std::int32_t opponentType);

} // namespace kokurin
