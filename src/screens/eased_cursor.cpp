// A glide runs from the place last drawn to the corrected cell in glideFrames equal steps; a
// further move during it (another late key) glides on from where the drawing is. A move across
// the board's edge (the cursor wraps) is drawn at once, as the game draws it anyway.
#include "screens/eased_cursor.h"

#include <cmath>

namespace kokurin {

namespace {

bool samePlace(const CursorPlace& a, const CursorPlace& b) {
    return a.col == b.col && a.row == b.row;
}

// Farther than half the board: the cursor went round an edge.
bool wrapped(const CursorPlace& from, const CursorPlace& to) {
    return std::fabs(to.col - from.col) > 3.0f || std::fabs(to.row - from.row) > 3.0f;
}

} // namespace

bool EasedCursor::place(const Match& shown, bool corrected, int localSeat, CursorPlace& place) {
    const MatchState& state = shown.state();
    const bool othersTurn =
        localSeat < 2 && shown.phase() == MatchPhase::HumanTurn && state.currentPlayer != localSeat;
    const CursorPlace target{static_cast<float>(state.cursorCol),
                             static_cast<float>(state.cursorRow)};
    const bool sameTurn = othersTurn && othersTurn_ && mover_ == state.currentPlayer;
    othersTurn_ = othersTurn;
    mover_ = state.currentPlayer;
    const bool gliding = step_ < glideFrames;
    if (!sameTurn || samePlace(target, drawn_) || wrapped(drawn_, target) ||
        (!corrected && !gliding)) {
        // Nothing corrected: drawn where the match has it, as offline.
        step_ = glideFrames;
        drawn_ = target;
        return false;
    }
    if (!gliding || !samePlace(target, to_)) {
        from_ = drawn_;
        to_ = target;
        step_ = 0;
    }
    ++step_;
    if (step_ == glideFrames) {
        drawn_ = to_;
        return false;
    }
    const float t = static_cast<float>(step_) / static_cast<float>(glideFrames);
    drawn_.col = from_.col + (to_.col - from_.col) * t;
    drawn_.row = from_.row + (to_.row - from_.row) * t;
    place = drawn_;
    return true;
}

} // namespace kokurin
