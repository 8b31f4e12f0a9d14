// The think rules of the personalities: which frames evaluate candidates, how many, what is
// maximised and when the choice becomes final.
#pragma once

#include "cpu/computer_turn.h"
#include "cpu/swap_evaluation.h"

// Applies personality's rule for the frame turn.thinkFrame: zero or more evaluations from
// turn.candidatePos on, choosing and deciding as the rule says. `scratch` is reused between
// calls so that thinking allocates nothing. The personality must be one that
// playedPersonality() returns.
void thinkOneFrame(const MatchState& state, ComputerTurn& turn, int personality,
                   SwapOutcome& scratch);

// The damage the other player's n surviving entries would deal: 1 + 0.9 + 0.81 + ... in single
// precision, n terms (0 when n <= 0).
float survivorDamage(int n);
