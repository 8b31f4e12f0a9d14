// The computer's turn: set up, then one frame at a time think by the personality's rule, travel
// to the chosen cells and exchange them, drawing the match screen and the cursor every frame.
#include "app/frame_pump.h"
#include "cpu/computer_turn.h"
#include "cpu/step_frames.h"
#include "cpu/think_observer.h"
#include "cpu/think_rules.h"
#include "cpu/turn_setup.h"
#include "input/key_state.h"
#include "screens/match_screen.h"

namespace {

// Reused by every evaluation of every turn, so thinking allocates nothing.
SwapOutcome& evaluationScratch() {
    static SwapOutcome outcome;
    return outcome;
}

} // namespace

bool playComputerTurn(MatchState& state) {
    ComputerTurn turn;
    setUpComputerTurn(state, turn);
    if (ThinkObserver* observer = thinkObserver()) {
        observer->turnSetUp(state, turn);
    }
    if (state.turnTimer <= 0) {
        // No time at all: the cursor and the mark's random start are exchanged as they stand.
        finalSwap(state, turn);
        return false;
    }

    // The personality is fixed for the turn; 8 never gets here (the set-up rotates it), and a
    // value no roster entry produces plays as personality 1.
    const int personality = playedPersonality(state.opponentType);
    const int forcedAt = 13 * stepFramesOf(state.opponentType);
    const int candidates = static_cast<int>(swapCandidates.size());
    SwapOutcome& scratch = evaluationScratch();

    for (;;) {
        state.turnTimer -= 1;
        turn.candidatePos %= candidates;
        if (!turn.decided) {
            thinkOneFrame(state, turn, personality, scratch);
        }
        // The first step may come in the very frame the rule decided in.
        if (turn.decided && travelStep(state, turn)) {
            return false;
        }
        // Leaves exactly 13 steps' worth of frames for the travel; acts from the next frame.
        if (state.turnTimer == forcedAt) {
            turn.decided = true;
        }
        turn.thinkFrame += 1;

        drawMatchScreen(state);
        drawComputerCursor(state, turn);
        if (pumpFrame()) {
            return true;
        }
        if (keyPressed(keyEscape)) {
            // Ends only this turn, without an exchange; the cursor stays where it got to.
            return false;
        }
        if (state.turnTimer <= 0) {
            finalSwap(state, turn);
            return false;
        }
    }
}
