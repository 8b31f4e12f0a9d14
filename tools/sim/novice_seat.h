// A scripted novice human for kokurin-sim's tournament: it plays one seat through the real human
// turn by pressing that seat's keys at a human's pace.
#pragma once

#include <map>

#include "headless/headless.h"
#include "rules/match_state.h"

namespace kokurin {

// The novice's exchange on this board: the first pair (a < b, a-major scan of cell indexes)
// whose exchange makes a line, else the first pair of all, (0, 1).
void noviceChoice(const MatchState& state, int& firstCell, int& secondCell);

// The seat's keys, tapped one poll at a time: after a look at the board, the cursor walks to the
// first cell (the shorter way round, columns first, one step every stepPolls), pauses, selects,
// walks to the second cell, pauses and selects again.
class NoviceSeat : public headless::KeySource {
  public:
    static constexpr int lookPolls = 30;
    static constexpr int stepPolls = 8;
    static constexpr int pausePolls = 12;

    explicit NoviceSeat(int seat) : seat_(seat) {}

    int seat() const { return seat_; }
    // A turn starts at poll `poll` (the polls completed so far); on the novice's own turns the
    // exchange is chosen from this state and its taps are planned.
    void turnStarted(const MatchState& state, long poll);
    void keysDown(long poll, bool down[256]) override;

  private:
    // Taps the walk from (col, row) to cell, one step per stepPolls from `poll` on; returns the
    // poll after the last step.
    long planWalk(int& col, int& row, int cell, long poll);

    int seat_;
    std::map<long, int> taps_;
};

} // namespace kokurin
