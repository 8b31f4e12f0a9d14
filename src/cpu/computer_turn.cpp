// The computer's turn, frame by frame: set up, then think by the personality's rule, travel to
// the chosen cells and exchange them.
#include "cpu/computer_turn.h"

#include "cpu/cursor_travel.h"
#include "cpu/personalities.h"
#include "cpu/think_observer.h"
#include "cpu/turn_setup.h"

namespace kokurin {

bool computerPlaysTurn(const MatchState& state) {
    return state.currentPlayer == 0 ? state.firstSeatType != 0 : state.opponentType != 0;
}

std::int32_t& computerTypeOfTurn(MatchState& state) {
    return state.currentPlayer == 0 && state.firstSeatType != 0 ? state.firstSeatType
                                                                : state.opponentType;
}

std::int32_t computerTypeOfTurn(const MatchState& state) {
    return state.currentPlayer == 0 && state.firstSeatType != 0 ? state.firstSeatType
                                                                : state.opponentType;
}

void startComputerTurn(MatchState& state, ComputerTurn& turn, Sfmt19937& random,
                       std::int32_t& rotation, ThinkObserver* observer) {
    setUpComputerTurn(state, turn, random, rotation);
    if (observer != nullptr) {
        observer->turnSetUp(state, turn);
    }
    // The personality is fixed for the turn; 8 never gets here (the set-up rotates it), and a
    // value no roster entry produces plays as personality 1.
    turn.personality = playedPersonality(computerTypeOfTurn(state));
    // Leaves exactly 13 steps' worth of frames for the travel.
    turn.forcedAt = 13 * stepFrames(turn.personality);
}

bool advanceComputerTurn(MatchState& state, ComputerTurn& turn, SwapOutcome& scratch,
                         ThinkObserver* observer) {
    state.turnTimer -= 1;
    if (turn.candidates.size > 0) {
        turn.candidatePos %= turn.candidates.size;
    }
    if (!turn.decided) {
        thinkOneFrame(state, turn, turn.personality, scratch, observer);
    }
    // The first step may come in the very frame the rule decided in.
    if (turn.decided && travelStep(state, turn)) {
        return true;
    }
    // The forced decision acts from the next frame.
    if (state.turnTimer == turn.forcedAt) {
        turn.decided = true;
    }
    turn.thinkFrame += 1;
    return false;
}

} // namespace kokurin
