// A match on screen: the frame pump's loop for one match. Each frame is drawn from the match,
// pumped, and the input the pump made steps the match; the step's sounds are played and its
// observations passed on as they happen.
#pragma once

#include "match/match.h"
#include "match/match_listener.h"
#include "match/match_observer.h"

namespace kokurin {

// The screens' listener of a match: sounds to the note schedule, H to the hint (box and all),
// observations to the observer (null: none).
class ScreenMatchListener : public MatchListener {
  public:
    explicit ScreenMatchListener(MatchObserver* observer) : observer_(observer) {}

    void sound(const SoundCue& cue) override;
    void hintAsked(const MatchState& state) override;
    void turnStarted(const MatchState& state) override;
    void swapMade(const MatchState& state, int firstCell, int secondCell) override;
    void turnEnded(const MatchState& state, bool computer) override;
    void cascadeSettled(const MatchState& state) override;
    void clashEnded(const MatchState& state) override;
    void winnerScreen(const MatchState& state) override;

  private:
    MatchObserver* observer_;
};

// Plays the match from its beginning (or from where it stands) until it is over or the frames
// end: true when the application must quit (or the frames' source ended them); false when the
// match returned (a winner left with SPACE or ESC, or ESC during play).
bool runMatch(Match& match, MatchObserver* observer = nullptr);

// The match keys' hold counters as the screens' key table holds them now: the start of a match
// that begins at this frame.
std::uint32_t matchKeyHoldsNow();

} // namespace kokurin
