// The set-up of a computer turn: everything decided before its first frame, in the order in
// which it draws from the match's random stream.
#pragma once

#include "cpu/computer_turn.h"
#include "cpu/swap_evaluation.h"

namespace kokurin {

// Deals every candidate code into the deck: the urn holds a * 36 + b for a < b, a-major; for
// n = 630 down to 1, entry randomBelow(n) is dealt and the urn's last live entry moves into its
// place. 630 draws.
void shuffleCandidates(Sfmt19937& random, CandidateDeck& deck);
// The rarest element on the board (ties to the lower number) and the one before it in the
// cycle (fire's predecessor is water): the elements personality 9 collects.
void favouredElements(const MatchState& state, Element& major, Element& minor);
// Reduces the mover's computer type (computerTypeOfTurn: opponentType in the game), counts the
// turn in `rotation` (the computer turns of every match so far: it carries from match to match,
// never reset), rotates entry 8 through 16, 17 and 18, and turns 2 into 22 one time in six (one
// draw, only for 2). Written back into that type.
void choosePersonalityOfTurn(MatchState& state, Sfmt19937& random, std::int32_t& rotation);
// The whole set-up in order: mark start, budget, urn, shuffle, census, random targets, fresh
// thinking values, personality of the turn.
void setUpComputerTurn(MatchState& state, ComputerTurn& turn, Sfmt19937& random,
                       std::int32_t& rotation);

} // namespace kokurin
