// One human turn: the seat's keys move the shared cursor, select a cell and exchange it with a
// second one; H shows the hint; the turn ends with the exchange, ESC or the time running out.
#include "screens/human_turn.h"

#include "input/key_state.h"
#include "input/pick_targets.h"
#include "rules/board.h"
#include "rules/turn_budget.h"
#include "screens/frame_flow.h"
#include "screens/hint.h"
#include "screens/match_observer.h"
#include "screens/match_screen.h"
#include "screens/palette.h"
#include "sound/game_sounds.h"

namespace kokurin {

namespace {

// The cells as the match screen draws them: 48-pixel squares from (176, 96).
constexpr PickGrid boardPicks{176, 96, 48, 48, boardSize, boardSize};

} // namespace

bool humanTurn(MatchState& state) {
    const int self = state.currentPlayer;
    const int* keys = playerKeys[self];

    // The player who is behind gets more time.
    state.turnTimer = turnBudget(state.hp[self], state.hp[1 - self]);
    // A budget of no frames is no turn at all; hit points cannot give a negative one
    // (kept: empty-budget).
    if (state.turnTimer <= 0) {
        state.turnTimer = -1;
        return false;
    }

    bool selected = false;
    int selectedCol = 0;
    int selectedRow = 0;

    for (;;) {
        --state.turnTimer;
        if (state.turnTimer >= 0 && state.turnTimer < 300 && state.turnTimer % 60 == 0) {
            soundSecondLeft();
        }

        if (keyPressed(keyH)) {
            showHint(state);
        }

        const int cursorBefore = cellIndex(state.cursorCol, state.cursorRow);
        // The cursor wraps at every edge; opposite keys in one frame cancel, and select acts on
        // the cell moved to (kept: cancelling-keys).
        if (keyPressed(keys[keyLeftIndex])) {
            state.cursorCol = (state.cursorCol + 5) % boardSize;
        }
        if (keyPressed(keys[keyRightIndex])) {
            state.cursorCol = (state.cursorCol + 1) % boardSize;
        }
        if (keyPressed(keys[keyUpIndex])) {
            state.cursorRow = (state.cursorRow + 5) % boardSize;
        }
        if (keyPressed(keys[keyDownIndex])) {
            state.cursorRow = (state.cursorRow + 1) % boardSize;
        }
        // A picked cell is the cursor moved there and select pressed, after the keys.
        const int pick = framePick();
        const bool picked = pick >= 0 && pick < cellCount;
        if (picked) {
            state.cursorCol = pick % boardSize;
            state.cursorRow = pick / boardSize;
        }
        if (cellIndex(state.cursorCol, state.cursorRow) != cursorBefore) {
            soundCursorMoved();
        }

        if (keyPressed(keys[keySelectIndex]) || picked) {
            if (!selected) {
                selected = true;
                selectedCol = state.cursorCol;
                selectedRow = state.cursorRow;
                soundCellSelected();
            } else if (selectedCol != state.cursorCol || selectedRow != state.cursorRow) {
                // Any two cells may be exchanged; the exchange stands even if nothing clears.
                const int first = cellIndex(selectedCol, selectedRow);
                const int second = cellIndex(state.cursorCol, state.cursorRow);
                swapCells(state, first, second);
                soundCellsExchanged();
                if (MatchObserver* observer = matchObserver()) {
                    observer->swapMade(state, first, second);
                }
                return false;
            } else {
                selected = false;
                soundSelectionDropped();
            }
        }

        drawMatchScreen(state);
        drawCellMark(state.cursorCol, state.cursorRow, cursorOrange);
        if (selected) {
            drawCellMark(selectedCol, selectedRow, selectionBlue);
        }
        offerPicks(boardPicks);
        const Flow flow = pumpFrameThenCheckEscape();
        if (flow != Flow::Go) {
            return quitting(flow);
        }
        // Time out: the last frame was shown with 0 left; no exchange is made (kept: odd-blink).
        if (state.turnTimer == 0) {
            state.turnTimer = -1;
            return false;
        }
    }
}

} // namespace kokurin
