// The computer's cursor travel: the orange cursor walks to the first chosen cell, the blue mark
// walks from there to the second, one cell every N frames, and the two cells are exchanged.
#include "cpu/cursor_travel.h"

#include "cpu/personalities.h"
#include "rules/board.h"

namespace kokurin {

namespace {

// (p + 6) mod 6, also for coordinates that came in out of range.
int onRing(int p) {
    return ((p % boardSize) + boardSize) % boardSize;
}

// A cell index within 0..35, also for targets that came in out of range.
int onBoard(int cell) {
    return ((cell % cellCount) + cellCount) % cellCount;
}

// One move along the 6-wide ring toward t; a distance of exactly 3 goes the negative way.
void moveToward(int& p, int t) {
    int distance = onRing(t - p);
    if (distance < 3) {
        p += 1;
    } else {
        p -= 1;
    }
    p = onRing(p);
}

} // namespace

bool travelStep(MatchState& state, ComputerTurn& turn) {
    if (!turn.decided || turn.thinkFrame % stepFrames(turn.personality) != 0) {
        return false;
    }
    if (!turn.markActive) {
        // Columns are settled before rows; on the first cell the mark is raised instead.
        int targetCol = onBoard(turn.targetFirst) % boardSize;
        int targetRow = onBoard(turn.targetFirst) / boardSize;
        if (state.cursorCol != targetCol) {
            moveToward(state.cursorCol, targetCol);
        } else if (state.cursorRow != targetRow) {
            moveToward(state.cursorRow, targetRow);
        } else {
            turn.markX = state.cursorCol;
            turn.markY = state.cursorRow;
            turn.markActive = true;
        }
        state.cursorCol = onRing(state.cursorCol);
        state.cursorRow = onRing(state.cursorRow);
        return false;
    }
    int targetCol = onBoard(turn.targetSecond) % boardSize;
    int targetRow = onBoard(turn.targetSecond) / boardSize;
    if (turn.markX != targetCol) {
        moveToward(turn.markX, targetCol);
    } else if (turn.markY != targetRow) {
        moveToward(turn.markY, targetRow);
    } else {
        // The turn ends here, before this frame is drawn.
        finalSwap(state, turn);
        return true;
    }
    turn.markX = onRing(turn.markX);
    turn.markY = onRing(turn.markY);
    return false;
}

void finalSwap(MatchState& state, ComputerTurn& turn) {
    // Wherever the cursor and the mark stand: a mark never raised still holds its random start
    // (kept: standing-swap).
    const int cursorCell = cellIndex(onRing(state.cursorCol), onRing(state.cursorRow));
    const int markCell = cellIndex(onRing(turn.markX), onRing(turn.markY));
    swapCells(state, cursorCell, markCell);
    turn.swapFirst = cursorCell;
    turn.swapSecond = markCell;
}

} // namespace kokurin
