// What a match reports while it steps: the sounds its frame makes, the observation points of the
// turns, the computer's thinking, and a human's request for the hint. Whoever steps a match
// passes a listener; the match keeps none between steps, so a match re-stepped in silence (a
// check, a rollback) gives a listener that ignores everything.
#pragma once

#include "cpu/think_observer.h"
#include "match/match_observer.h"
#include "rules/element.h"

namespace kokurin {

// One sound of a frame, in the order the frame's logic made it.
struct SoundCue {
    enum class Kind : unsigned char {
        MatchBegins,
        CursorMoved,
        CellSelected,
        SelectionDropped,
        CellsExchanged,
        // One clearing of a cascade: `count` elements at `elements` (valid during the call), by
        // `player`, at cascade `step`.
        CellsCleared,
        // One encounter of the clash: `first` and `second`, `bothDestroyed`.
        Clash,
        // A block strikes for `damage`.
        Strike,
        TurnPassed,
        SecondLeft,
        // The winner screen: `player` won; `first` is the element they cleared most.
        Winner,
    };
    Kind kind = Kind::MatchBegins;
    int player = 0;
    int step = 0;
    const Element* elements = nullptr;
    int count = 0;
    Element first = None;
    Element second = None;
    bool bothDestroyed = false;
    float damage = 0.0f;
};

class MatchListener : public MatchObserver, public ThinkObserver {
  public:
    virtual void sound(const SoundCue& cue) {}
    // H was pressed on a human's turn: the screens show the hint (the match itself never works
    // it out, so a re-step or a check costs nothing for it).
    virtual void hintAsked(const MatchState& state) {}
};

// A listener that ignores everything.
MatchListener& silentListener();

} // namespace kokurin
