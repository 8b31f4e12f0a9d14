// The computer's cursor travel: the orange cursor walks to the first chosen cell, the blue mark
// walks from there to the second, one cell every N frames, and the two cells are exchanged.
#include "cpu/computer_turn.h"
#include "cpu/step_frames.h"

namespace kokurin {

// Frames per cursor step by personality. 0 marks values that are no personality; 8 has no
// entry since it always plays as 16, 17 or 18.
// clang-format off
const std::int32_t cpuStepFrames[cpuStepFramesSize] = {
    //  0   1   2   3   4   5   6   7   8   9  10  11  12  13  14  15  16  17  18  19  20  21  22
        0, 15, 20, 15, 12,  5, 15, 10,  0,  7, 15, 10,  5, 10,  2,  7, 15, 15,  5,  0,  0,  0,  2,
};
// clang-format on

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

int playedPersonality(std::int32_t opponentType) {
    if (opponentType > 0 && opponentType < cpuStepFramesSize && cpuStepFrames[opponentType] != 0) {
        return opponentType;
    }
    return 1;
}

int stepFramesOf(std::int32_t opponentType) {
    return cpuStepFrames[playedPersonality(opponentType)];
}

bool travelStep(MatchState& state, ComputerTurn& turn) {
    if (!turn.decided || turn.thinkFrame % stepFramesOf(state.opponentType) != 0) {
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
    // Wherever the cursor and the mark stand: a mark never raised still holds its random start.
    int cursorCell = onRing(state.cursorRow) * boardSize + onRing(state.cursorCol);
    int markCell = onRing(turn.markY) * boardSize + onRing(turn.markX);
    Element held = state.cells[cursorCell];
    state.cells[cursorCell] = state.cells[markCell];
    state.cells[markCell] = held;
    turn.swapFirst = cursorCell;
    turn.swapSecond = markCell;
}

} // namespace kokurin
