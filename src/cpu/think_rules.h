// The think rules of the personalities: which frames evaluate candidates, how many, what is
// maximised and when the choice becomes final.
#pragma once

#include "cpu/computer_turn.h"
#include "cpu/swap_evaluation.h"

namespace kokurin {

// Applies personality's rule for the frame turn.thinkFrame: zero or more evaluations from
// turn.candidatePos on, choosing and deciding as the rule says. `scratch` is reused between
// calls so that thinking allocates nothing. The personality must be one that
// playedPersonality() returns.
void thinkOneFrame(const MatchState& state, ComputerTurn& turn, int personality,
                   SwapOutcome& scratch);

// The measures the maximising rules rank candidates by (saturating at the int range).
// S15 = lead x (4 while behind, else kinds) + 2 x cleared cells.
int scoreS15(const SwapOutcome& o);
// S17 = 256 x lead + cleared cells.
int scoreS17(const SwapOutcome& o);
// Personality 10: 65536 x kinds + 256 x lead + cleared cells.
int scoreS10(const SwapOutcome& o);
// Personality 9: 65536 x (4 per queued major + 1 per queued minor) + 256 x min(lead, 0), plus
// the cleared cells while the lead is not positive, minus them otherwise.
int scoreS9(const SwapOutcome& o, Element major, Element minor);
// Alternation of a queue, front to back: +1 for each entry unlike the one before, +1 more for
// each entry unlike the one two back when that one is also unlike its successor.
int queueChanges(const ClearedQueue& q);
// Personality 11: 256 x changes + lead.
int scoreS11(const SwapOutcome& o);

// The damage the other player's n surviving entries would deal: 1 + 0.9 + 0.81 + ... in single
// precision, n terms (0 when n <= 0).
float survivorDamage(int n);

} // namespace kokurin
