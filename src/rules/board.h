// Board rules: the initial fill, finding and clearing lines, gravity, refill, and the silent
// exchange-and-settle that the hint and the computer run on scratch copies.
#pragma once

#include "rng/sfmt19937.h"
#include "rules/match_state.h"

namespace kokurin {

// Fills all 36 cells for a new match from the match's generator, redrawing lines in place
// until none is left.
void fillBoard(MatchState& state, Sfmt19937& random);
// Gives every empty cell a new random element, in row-major order.
void refillBoard(MatchState& state, Sfmt19937& random);
// Clears every line of three or more; cleared elements go to queues[player] bottom row first
// (player -1 records nothing). True when any cell was cleared.
bool clearLines(MatchState& state, int player);
// Lets the blocks of every column fall into the empty cells below them.
void applyGravity(MatchState& state);
// Exchanges the elements of two cells given by index; the same cell twice changes nothing.
void swapCells(MatchState& state, int first, int second);
// Exchanges two cells, cascades without refill, runs the clash steps; returns a copy of
// queues[player] afterwards.
ClearedQueue swapAndSettle(MatchState& scratch, int player, int col1, int row1, int col2, int row2);

// Copies what a simulation needs from the live match (cells and both queues) into scratch,
// reusing the scratch queues' storage.
void copyForSimulation(const MatchState& live, MatchState& scratch);
// True when the board holds a horizontal or vertical line of three equal non-empty cells.
bool boardHasLine(const MatchState& state);
// Number of cells holding 0.
int countEmptyCells(const MatchState& state);

} // namespace kokurin
