// The computer's look-ahead: one candidate exchange played out on a private copy.
#pragma once

#include <vector>

#include "rules/match_state.h"

namespace kokurin {

constexpr int candidateCount = 630;

// The 630 candidate codes (a * 36 + b, a < b) in this turn's shuffled order.
extern std::vector<int> swapCandidates;

struct SwapOutcome {
    ClearedQueue ownQueue;
    int kindCount = 0;
    int queueLead = 0;
    int emptyCells = 0;
};

// Plays the candidate at position k for state.currentPlayer on a copy; the live match, the
// candidate list and the random stream are untouched.
ClearedQueue evaluateSwap(const MatchState& state, int k, int& kindCount, int& queueLead,
                          int& emptyCells);
// Same, bundled; `out` keeps its storage between calls.
void evaluateSwap(const MatchState& state, int k, SwapOutcome& out);

} // namespace kokurin
