// The look-ahead of one exchange on a scratch copy of the match.
#include "cpu/swap_evaluation.h"

#include "rules/board.h"

namespace kokurin {

void evaluateExchange(const MatchState& state, int firstCell, int secondCell, SwapOutcome& out) {
    const int player = state.currentPlayer;
    MatchState& copy = out.work;
    copyForSimulation(state, copy);
    swapAndSettle(copy, player, firstCell % boardSize, firstCell / boardSize,
                  secondCell % boardSize, secondCell / boardSize);

    bool seen[Water + 1] = {};
    out.kindCount = 0;
    for (Element v : copy.queues[player]) {
        if (v > None && v <= Water && !seen[v]) {
            seen[v] = true;
            ++out.kindCount;
        }
    }
    out.emptyCells = countEmptyCells(copy);
    out.queueLead = copy.queues[player].size() - copy.queues[1 - player].size();
    out.ownQueue = copy.queues[player];
}

void evaluateSwap(const MatchState& state, const CandidateDeck& deck, int k, SwapOutcome& out) {
    const int code = deck[k];
    evaluateExchange(state, code / cellCount, code % cellCount, out);
}

} // namespace kokurin
