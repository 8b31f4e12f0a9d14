// Leaving a running online match without keys: a button on the match's status line that a
// click or a tap presses. A player's press is ESC in their own stream (so every game and the
// server's check leave the match at the same frame), pressed anew every other frame until the
// match has returned, as ESC during a clash ends only the clash; a spectator's press, or ESC,
// ends the watching at once, as nobody's stream carries it.
#pragma once

#include "input/input_route.h"

namespace kokurin {

class OnlineLeaveSource : public FrameInputSource {
  public:
    // The button's pick target, apart from the board's cells.
    static constexpr int target = 240;

    // playing: this player holds a seat (else watches).
    OnlineLeaveSource(FrameInputSource& inner, bool playing) : inner_(inner), playing_(playing) {}

    InputState nextInput(const bool localDown[keyboardKeys], FrameInput& input) override;
    bool drawWhileHeld(long held) override;
    int framesPerShownFrame() const override { return inner_.framesPerShownFrame(); }
    void drawOverFrame() override;
    bool allowsModalBoxes() const override { return inner_.allowsModalBoxes(); }

    // A spectator left: the frames ended here, before the match did.
    bool walkedAway() const { return walkedAway_; }

  private:
    void drawButton() const;

    FrameInputSource& inner_;
    bool playing_;
    bool leaving_ = false;
    bool escapeNow_ = true;
    // ESC held from before the match does not count.
    bool escapeHeld_ = true;
    bool walkedAway_ = false;
};

} // namespace kokurin
