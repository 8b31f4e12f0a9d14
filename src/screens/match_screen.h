// The match screen and the small drawing operations the match's scenes share.
#pragma once

#include <cstdint>

#include "rules/match_state.h"

namespace kokurin {

// Draws the whole match screen into the current frame (does not pump).
void drawMatchScreen(const MatchState& state);
// The board glyphs and both queue listings.
void drawBoardAndQueues(const MatchState& state);
// An untextured rectangle from (x0, y0) to (x1, y1).
void drawSolidRect(float x0, float y0, float x1, float y1, std::uint32_t colour);
// The 16 x 16 square centred on a board cell's glyph box.
void drawCellMark(int col, int row, std::uint32_t colour);
// The same square at a place between cells (a cursor gliding from one cell to another).
void drawCellMarkAt(float col, float row, std::uint32_t colour);

} // namespace kokurin
