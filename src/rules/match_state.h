// The record of one match: board, queues, timer, shared cursor, opponent and hit points.
#pragma once

#include <cstdint>

#include "rules/cleared_queue.h"
#include "rules/element.h"

namespace kokurin {

constexpr int boardSize = 6;
constexpr int cellCount = boardSize * boardSize;

// Index of the cell at (col, row) in MatchState::cells.
inline int cellIndex(int col, int row) {
    return row * boardSize + col;
}

struct MatchState {
    // Row-major, index = row * 6 + col, row 0 at the top.
    Element cells[cellCount] = {};
    // Index 0 belongs to player 1, index 1 to player 2.
    ClearedQueue queues[2];
    // Frames left in the current turn; set by each turn before it is read.
    std::int32_t turnTimer = 0;
    // One cursor shared by both players, kept between turns (kept: shared-cursor).
    std::int32_t cursorCol = 0;
    std::int32_t cursorRow = 0;
    // 0 = the second seat is human; otherwise the computer's personality, which the computer's
    // own turn may rewrite.
    std::int32_t opponentType = 0;
    // 0 = the first seat is human, as the game always seats it. Tools (kokurin-sim's tournament)
    // may seat a personality there; it then plays exactly as opponentType plays the second seat.
    std::int32_t firstSeatType = 0;
    // Not clamped: may fall below zero (kept: unclamped).
    float hp[2] = {20.0f, 20.0f};
    // 0 = player 1 (1P), 1 = player 2 (2P).
    std::uint8_t currentPlayer = 0;

    Element& cell(int row, int col) { return cells[cellIndex(col, row)]; }
    Element cell(int row, int col) const { return cells[cellIndex(col, row)]; }
};

} // namespace kokurin
