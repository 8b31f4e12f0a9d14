// The computer's turn as logic: its working record, the frame-by-frame thinking and cursor
// travel, and the exchange it ends with. The screens draw it and pump its frames.
#pragma once

#include <cstdint>

#include "cpu/swap_evaluation.h"
#include "rng/sfmt19937.h"
#include "rules/match_state.h"

namespace kokurin {

class ThinkObserver;

// The best score before any candidate: below every score a maximising rule can reach but those
// of freak queues.
constexpr int initialBestScore = -16777215;

// One computer turn's working record, fresh for every turn.
struct ComputerTurn {
    int thinkFrame = 0;
    bool decided = false;
    int bestScore = initialBestScore;
    int targetFirst = 0;
    int targetSecond = 0;
    int candidatePos = 0;
    Element favouredMajor = Fire;
    Element favouredMinor = Water;
    int markX = 0;
    int markY = 0;
    bool markActive = false;
    // The personality played this turn and the timer value at which it must decide.
    int personality = 1;
    int forcedAt = 0;
    // The two cells exchanged (cursor, then mark), -1 until the exchange.
    int swapFirst = -1;
    int swapSecond = -1;
    // The turn's candidates in the order its set-up shuffled them.
    CandidateDeck candidates;
};

// Whether the computer plays the current turn: the second seat's when a personality sits there
// (the game), the first seat's when a tool seated one there.
bool computerPlaysTurn(const MatchState& state);
// The type of the computer whose turn it is, which the turn's set-up may rewrite: firstSeatType
// on the first seat's turn when a personality sits there, otherwise opponentType (also for
// callers that play a computer turn for whichever seat is current, as the tests do).
std::int32_t& computerTypeOfTurn(MatchState& state);
std::int32_t computerTypeOfTurn(const MatchState& state);

// The set-up of a turn (budget, shuffle, census, targets, personality of the turn), drawing from
// the match's generator and counting the turn in its rotation count. The observer (null: none)
// hears the finished set-up.
void startComputerTurn(MatchState& state, ComputerTurn& turn, Sfmt19937& random,
                       std::int32_t& rotation, ThinkObserver* observer);
// One frame's logic before it is drawn: the timer, the personality's thinking, the travel step
// and the forced decision. True when the exchange was made (the turn ends without drawing).
// `scratch` is the look-ahead's working space, kept between calls so thinking allocates nothing.
bool advanceComputerTurn(MatchState& state, ComputerTurn& turn, SwapOutcome& scratch,
                         ThinkObserver* observer);

} // namespace kokurin
