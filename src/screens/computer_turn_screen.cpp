// The computer's turn on screen: its logic advances a frame, the match screen and its cursor
// are drawn, the frame is pumped, ESC and quit are tested.
#include "screens/computer_turn_screen.h"

#include "cpu/cursor_travel.h"
#include "screens/frame_flow.h"
#include "screens/match_observer.h"
#include "screens/match_screen.h"
#include "screens/palette.h"
#include "sound/game_sounds.h"

namespace kokurin {

namespace {

void reportSwap(const MatchState& state, const ComputerTurn& turn) {
    soundCellsExchanged();
    if (MatchObserver* observer = matchObserver()) {
        observer->swapMade(state, turn.swapFirst, turn.swapSecond);
    }
}

// Where the computer's cursor and mark stand, to hear them move.
struct Marks {
    int cursor;
    int mark;
    bool raised;
};

Marks marksOf(const MatchState& state, const ComputerTurn& turn) {
    return {cellIndex(state.cursorCol, state.cursorRow), cellIndex(turn.markX, turn.markY),
            turn.markActive};
}

void soundMarks(const Marks& before, const Marks& after) {
    if (after.raised && !before.raised) {
        soundCellSelected();
    } else if (after.cursor != before.cursor || (after.raised && after.mark != before.mark)) {
        soundCursorMoved();
    }
}

} // namespace

void drawComputerCursor(const MatchState& state, const ComputerTurn& turn) {
    drawCellMark(state.cursorCol, state.cursorRow, cursorOrange);
    if (turn.markActive) {
        drawCellMark(turn.markX, turn.markY, selectionBlue);
    }
}

bool playComputerTurn(MatchState& state) {
    ComputerTurn turn;
    startComputerTurn(state, turn);
    if (state.turnTimer <= 0) {
        // No time at all: the cursor and the mark's random start are exchanged as they stand.
        finalSwap(state, turn);
        reportSwap(state, turn);
        return false;
    }
    for (;;) {
        const Marks before = marksOf(state, turn);
        if (advanceComputerTurn(state, turn)) {
            // The completing step's frame is not drawn.
            reportSwap(state, turn);
            return false;
        }
        soundMarks(before, marksOf(state, turn));
        drawMatchScreen(state);
        drawComputerCursor(state, turn);
        const Flow flow = pumpFrameThenCheckEscape();
        if (flow != Flow::Go) {
            // ESC ends only this turn, without an exchange; the cursor stays where it got to.
            return quitting(flow);
        }
        if (state.turnTimer <= 0) {
            finalSwap(state, turn);
            reportSwap(state, turn);
            return false;
        }
    }
}

} // namespace kokurin
