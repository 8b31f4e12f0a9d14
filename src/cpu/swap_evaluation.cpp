// The computer's look-ahead of one candidate exchange, on a scratch copy of the match.
#include "cpu/swap_evaluation.h"

#include "rules/board.h"

namespace kokurin {

std::vector<int> swapCandidates;

namespace {

// The working copy is reused between evaluations so that steady play allocates nothing.
MatchState& workingCopy() {
    static MatchState copy;
    return copy;
}

} // namespace

void evaluateSwap(const MatchState& state, int k, SwapOutcome& out) {
    int code = swapCandidates[k];
    int a = code / 36;
    int b = code % 36;
    int player = state.currentPlayer;

    MatchState& copy = workingCopy();
    copyForSimulation(state, copy);
    swapAndSettle(copy, player, a % 6, a / 6, b % 6, b / 6);

    bool seen[6] = {};
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

ClearedQueue evaluateSwap(const MatchState& state, int k, int& kindCount, int& queueLead,
                          int& emptyCells) {
    SwapOutcome outcome;
    evaluateSwap(state, k, outcome);
    kindCount = outcome.kindCount;
    queueLead = outcome.queueLead;
    emptyCells = outcome.emptyCells;
    return outcome.ownQueue;
}

} // namespace kokurin
