// The look-ahead of one exchange, played out on a private copy: what the computer ranks its
// candidates by and what the hint ranks every pair by.
#pragma once

#include "rules/match_state.h"

namespace kokurin {

// Every unordered pair of cells: 36 * 35 / 2.
constexpr int candidateCount = cellCount * (cellCount - 1) / 2;

// The candidate codes (a * 36 + b, a < b) of one computer turn in its shuffled order: all 630
// after the set-up. Held by value in the turn's record, so that a match copies whole.
struct CandidateDeck {
    int codes[candidateCount] = {};
    int size = 0;

    int operator[](int k) const { return codes[k]; }
    bool empty() const { return size == 0; }
};

struct SwapOutcome {
    // The evaluating player's queue after settling, in queue order.
    ClearedQueue ownQueue;
    // Different elements in ownQueue.
    int kindCount = 0;
    // Own queue's length minus the other's, after the clash.
    int queueLead = 0;
    // Cells left empty: those the exchange and its cascade cleared.
    int emptyCells = 0;
    // The copy the exchange is played out on, kept between calls so that thinking allocates
    // nothing.
    MatchState work;
};

// Plays the exchange of two cells (indexes) for state.currentPlayer on a copy: exchange,
// cascade without refill, clash. The live match and the random stream are untouched; `out`
// keeps its storage between calls.
void evaluateExchange(const MatchState& state, int firstCell, int secondCell, SwapOutcome& out);
// The same for the candidate at position k of the deck.
void evaluateSwap(const MatchState& state, const CandidateDeck& deck, int k, SwapOutcome& out);

} // namespace kokurin
