// Observation points inside a match, for tools that print what happened (the simulator) and for
// the screens that follow a match. An observer only reads and never changes what happens; it is
// handed to the match that it observes, never installed for the process.
#pragma once

#include "rules/match_state.h"

namespace kokurin {

class MatchObserver {
  public:
    virtual ~MatchObserver() = default;
    // A turn begins (before the human's budget or the computer's set-up).
    virtual void turnStarted(const MatchState& state) {}
    // Two cells were exchanged by a turn (human: selected then cursor cell; computer: cursor
    // then mark cell).
    virtual void swapMade(const MatchState& state, int firstCell, int secondCell) {}
    // A turn returned without quit; computer is true for the computer's turns.
    virtual void turnEnded(const MatchState& state, bool computer) {}
    // The shown cascade ended normally (nothing more clears).
    virtual void cascadeSettled(const MatchState& state) {}
    // The clash ended (finished, or cut short by ESC).
    virtual void clashEnded(const MatchState& state) {}
    // The hint found its text (shown in a message box by the game).
    virtual void hintShown(const MatchState& state, const char* text) {}
    // The winner screen is entered.
    virtual void winnerScreen(const MatchState& state) {}
};

} // namespace kokurin
