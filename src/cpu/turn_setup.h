// The set-up of a computer turn: everything decided before its first frame, in the order in
// which it draws from the shared random stream.
#pragma once

#include "cpu/computer_turn.h"
#include "cpu/swap_evaluation.h"

namespace kokurin {

// Counts the computer's turns across all matches of the process; never reset.
extern int rotationCounter;

// The urn the shuffle draws from: every candidate code in a-major order before each shuffle.
extern int candidateSource[candidateCount];

// Refills candidateSource with a * 36 + b for a < b, a-major.
void rebuildCandidateSource();
// Empties swapCandidates (keeping its storage) and deals the urn into it: for n = 630 down to
// 1, take entry randomBelow(n) and move the urn's last live entry into its place. 630 draws.
void shuffleCandidates();
// The rarest element on the board (ties to the lower number) and the one before it in the
// cycle (fire's predecessor is water): the elements personality 9 collects.
void favouredElements(const MatchState& state, Element& major, Element& minor);
// Reduces the mover's computer type (computerTypeOfTurn: opponentType in the game), counts the
// turn, rotates entry 8 through 16, 17 and 18, and turns 2 into 22 one time in six (one draw,
// only for 2). Written back into that type.
void choosePersonalityOfTurn(MatchState& state);
// The whole set-up in order: mark start, budget, urn, shuffle, census, random targets, fresh
// thinking values, personality of the turn.
void setUpComputerTurn(MatchState& state, ComputerTurn& turn);

} // namespace kokurin
