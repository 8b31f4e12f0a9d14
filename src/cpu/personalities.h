// The computer's personalities by number: how fast each one's cursor moves and the rule it
// thinks by (which frames evaluate candidates, how many, what is maximised, when the choice
// becomes final).
#pragma once

#include <cstdint>

#include "cpu/computer_turn.h"
#include "cpu/swap_evaluation.h"

namespace kokurin {

// Personality numbers are 0 .. 22: 1 .. 15 are the roster's opponents, 16, 17, 18 and 22 are
// reached through 8 and 2, the others are none.
constexpr int personalityNumbers = 23;

// The personality a turn with this opponentType plays: itself when it is one, else 1.
int playedPersonality(std::int32_t opponentType);
// What the personality plays like, in a few words (for tests and tools).
const char* personalityName(int personality);
// N: frames per cursor step; the decision is forced with 13 x N frames left.
int stepFrames(int personality);

// Applies the personality's rule for the frame turn.thinkFrame: zero or more evaluations of
// turn.candidates from turn.candidatePos on, choosing and deciding as the rule says. `scratch`
// is reused between calls so that thinking allocates nothing; the observer (null: none) hears
// every evaluation.
void thinkOneFrame(const MatchState& state, ComputerTurn& turn, int personality,
                   SwapOutcome& scratch, ThinkObserver* observer);

} // namespace kokurin
