// Observation points inside the computer's turn, for tests and tools that follow its thinking.
// An observer only reads and never changes what happens; it is passed to the turn it observes.
#pragma once

#include "cpu/computer_turn.h"
#include "cpu/swap_evaluation.h"

namespace kokurin {

class ThinkObserver {
  public:
    virtual ~ThinkObserver() = default;
    // The set-up is complete (budget, shuffle, census, random targets, personality of the turn),
    // before the first frame or the immediate exchange of a turn without time.
    virtual void turnSetUp(const MatchState& state, const ComputerTurn& turn) {}
    // One candidate was evaluated and the personality's rule has been applied to it: its
    // position in the turn's candidates, what the look-ahead found, the value the rule ranks it
    // by (0 for rules that only test a condition), and the turn record afterwards (thinkFrame is
    // the frame it happened in).
    virtual void candidateEvaluated(const ComputerTurn& turn, int position,
                                    const SwapOutcome& outcome, int score) {}
};

} // namespace kokurin
