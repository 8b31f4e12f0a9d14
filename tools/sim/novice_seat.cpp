// The scripted novice: picks the first clearing exchange in scan order and plays it with the
// seat's keys, a tap every few frames, as a beginner at the keyboard would.
#include "novice_seat.h"

#include "input/key_state.h"
#include "rules/board.h"

namespace kokurin {

namespace {

// Steps along the 6-wide ring from p to t the shorter way: +1, -1 or 0 per step, and how many.
void ringWalk(int p, int t, int& direction, int& steps) {
    const int forward = ((t - p) % boardSize + boardSize) % boardSize;
    if (forward <= boardSize - forward) {
        direction = 1;
        steps = forward;
    } else {
        direction = -1;
        steps = boardSize - forward;
    }
}

} // namespace

void noviceChoice(const MatchState& state, int& firstCell, int& secondCell) {
    MatchState trial;
    for (int a = 0; a < cellCount; ++a) {
        for (int b = a + 1; b < cellCount; ++b) {
            copyForSimulation(state, trial);
            swapCells(trial, a, b);
            if (boardHasLine(trial)) {
                firstCell = a;
                secondCell = b;
                return;
            }
        }
    }
    firstCell = 0;
    secondCell = 1;
}

long NoviceSeat::planWalk(int& col, int& row, int cell, long poll) {
    const int* keys = playerKeys[seat_];
    int direction = 0;
    int steps = 0;
    ringWalk(col, cell % boardSize, direction, steps);
    for (int i = 0; i < steps; ++i) {
        poll += stepPolls;
        taps_[poll] = keys[direction > 0 ? keyRightIndex : keyLeftIndex];
    }
    col = cell % boardSize;
    ringWalk(row, cell / boardSize, direction, steps);
    for (int i = 0; i < steps; ++i) {
        poll += stepPolls;
        taps_[poll] = keys[direction > 0 ? keyDownIndex : keyUpIndex];
    }
    row = cell / boardSize;
    return poll;
}

void NoviceSeat::turnStarted(const MatchState& state, long poll) {
    // Taps left over from a turn that ran out of time are not carried into the next one.
    taps_.clear();
    if (state.currentPlayer != seat_) {
        return;
    }
    int first = 0;
    int second = 0;
    noviceChoice(state, first, second);
    const int select = playerKeys[seat_][keySelectIndex];
    int col = state.cursorCol;
    int row = state.cursorRow;
    long at = planWalk(col, row, first, poll + lookPolls);
    at += pausePolls;
    taps_[at] = select;
    at = planWalk(col, row, second, at);
    at += pausePolls;
    taps_[at] = select;
}

void NoviceSeat::keysDown(long poll, bool down[256]) {
    auto tap = taps_.find(poll);
    if (tap != taps_.end()) {
        down[tap->second] = true;
    }
}

} // namespace kokurin
