// The cursor as the online match draws it during the other player's turn: where the match has
// it, except when a rollback (the other player's keys arriving after the frames they were
// pressed in were shown) moved it, when the drawing glides there over a few frames from where it
// was drawn instead of jumping. The match itself never moves but by its inputs.
#pragma once

#include "match/match.h"
#include "screens/match_view.h"

namespace kokurin {

class EasedCursor {
  public:
    static constexpr int glideFrames = 4;

    // Once for each frame drawn: corrected says whether a rollback came since the last one,
    // localSeat is this player's seat (2: watching, never eased). True with place set while the
    // cursor is drawn away from its cell; false to draw it where the match has it.
    bool place(const Match& shown, bool corrected, int localSeat, CursorPlace& place);

  private:
    bool othersTurn_ = false;
    int mover_ = 0;
    CursorPlace drawn_;
    CursorPlace from_;
    CursorPlace to_;
    // Frames of the glide done; glideFrames when there is none.
    int step_ = glideFrames;
};

} // namespace kokurin
