// Board rules: fill, line clearing (bottom row first into the mover's queue), gravity, refill,
// and the silent exchange-and-settle of the look-ahead.
#include "rules/board.h"

#include "rng/sfmt19937.h"
#include "rules/clash.h"

namespace kokurin {

void fillBoard(MatchState& state, Sfmt19937& random) {
    for (Element& cell : state.cells) {
        cell = newElement(random);
    }
    // Lines are redrawn in place, without gravity, until none is left.
    while (clearLines(state, -1)) {
        refillBoard(state, random);
    }
}

void refillBoard(MatchState& state, Sfmt19937& random) {
    // Row-major order: the computer draws from the same stream, so the order is behaviour.
    for (Element& cell : state.cells) {
        if (cell == None) {
            cell = newElement(random);
        }
    }
}

bool clearLines(MatchState& state, int player) {
    bool marks[cellCount] = {};
    bool any = false;
    // Both passes read the board as it was; runs of four or five are overlapping triples.
    for (int row = 0; row <= boardSize - 3; ++row) {
        for (int col = 0; col < boardSize; ++col) {
            Element e = state.cell(row, col);
            if (e != None && e == state.cell(row + 1, col) && e == state.cell(row + 2, col)) {
                marks[row * boardSize + col] = true;
                marks[(row + 1) * boardSize + col] = true;
                marks[(row + 2) * boardSize + col] = true;
                any = true;
            }
        }
    }
    for (int row = 0; row < boardSize; ++row) {
        for (int col = 0; col <= boardSize - 3; ++col) {
            Element e = state.cell(row, col);
            if (e != None && e == state.cell(row, col + 1) && e == state.cell(row, col + 2)) {
                marks[row * boardSize + col] = true;
                marks[row * boardSize + col + 1] = true;
                marks[row * boardSize + col + 2] = true;
                any = true;
            }
        }
    }
    // Collection bottom row first, left to right: the last appended (the first to fight) is
    // the rightmost cleared cell of the topmost row involved.
    for (int row = boardSize - 1; row >= 0; --row) {
        for (int col = 0; col < boardSize; ++col) {
            int index = row * boardSize + col;
            if (!marks[index]) {
                continue;
            }
            if (player != -1) {
                state.queues[player].pushBack(state.cells[index]);
            }
            state.cells[index] = None;
        }
    }
    return any;
}

void applyGravity(MatchState& state) {
    for (int col = 0; col < boardSize; ++col) {
        for (int row = boardSize - 1; row >= 1; --row) {
            if (state.cell(row, col) != None) {
                continue;
            }
            for (int above = row - 1; above >= 0; --above) {
                if (state.cell(above, col) != None) {
                    state.cell(row, col) = state.cell(above, col);
                    state.cell(above, col) = None;
                    break;
                }
            }
        }
    }
}

void swapCells(MatchState& state, int first, int second) {
    const Element held = state.cells[first];
    state.cells[first] = state.cells[second];
    state.cells[second] = held;
}

ClearedQueue swapAndSettle(MatchState& scratch, int player, int col1, int row1, int col2,
                           int row2) {
    swapCells(scratch, cellIndex(col1, row1), cellIndex(col2, row2));
    // No refill: every cleared cell ends empty at the top of its column.
    while (clearLines(scratch, player)) {
        applyGravity(scratch);
    }
    while (clashStep(scratch)) {
    }
    return scratch.queues[player];
}

void copyForSimulation(const MatchState& live, MatchState& scratch) {
    for (int i = 0; i < cellCount; ++i) {
        scratch.cells[i] = live.cells[i];
    }
    scratch.queues[0] = live.queues[0];
    scratch.queues[1] = live.queues[1];
}

bool boardHasLine(const MatchState& state) {
    MatchState probe;
    for (int i = 0; i < cellCount; ++i) {
        probe.cells[i] = state.cells[i];
    }
    return clearLines(probe, -1);
}

int countEmptyCells(const MatchState& state) {
    int empty = 0;
    for (Element cell : state.cells) {
        if (cell == None) {
            ++empty;
        }
    }
    return empty;
}

} // namespace kokurin
