// The look-ahead of one exchange, played out on a private copy: what the computer ranks its
// candidates by and what the hint ranks every pair by.
#pragma once

#include <vector>

#include "rules/match_state.h"

namespace kokurin {

// Every unordered pair of cells: 36 * 35 / 2.
constexpr int candidateCount = cellCount * (cellCount - 1) / 2;

// The 630 candidate codes (a * 36 + b, a < b) in this turn's shuffled order.
extern std::vector<int> swapCandidates;

struct SwapOutcome {
    // The evaluating player's queue after settling, in queue order.
    ClearedQueue ownQueue;
    // Different elements in ownQueue.
    int kindCount = 0;
    // Own queue's length minus the other's, after the clash.
    int queueLead = 0;
    // Cells left empty: those the exchange and its cascade cleared.
    int emptyCells = 0;
};

// Plays the exchange of two cells (indexes) for state.currentPlayer on a copy: exchange,
// cascade without refill, clash. The live match and the random stream are untouched; `out`
// keeps its storage between calls.
void evaluateExchange(const MatchState& state, int firstCell, int secondCell, SwapOutcome& out);
// The same for the candidate at position k of swapCandidates.
void evaluateSwap(const MatchState& state, int k, SwapOutcome& out);

} // namespace kokurin
