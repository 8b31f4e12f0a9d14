// Where a frame's input comes from: the local devices by default; a recording, a replay or the
// network plug in here, and nowhere else, so that the match sees the same values from each.
#pragma once

#include "input/frame_input.h"

namespace kokurin {

enum class InputState {
    // The frame's input is there: the frame goes on.
    Ready,
    // Not yet (a paused replay, a peer's input still on its way): the pump waits a frame and
    // asks again, the match standing still meanwhile.
    Pending,
    // No more frames: the pump tells the screens to return, as when the game closes.
    End,
};

class FrameInputSource {
  public:
    virtual ~FrameInputSource() = default;
    // The input of the frame that begins now, given the keys the local devices report; input
    // arrives holding the local pointer's pick (and no keys), for a source that takes it.
    virtual InputState nextInput(const bool localDown[keyboardKeys], FrameInput& input) = 0;
    // While the input is pending: the frames held so far (0 at the first wait). True when the
    // source has drawn a frame of its own to show (a notice); false leaves the last frame of
    // the match on show.
    virtual bool drawWhileHeld(long held) { return false; }
    // Frames of the match per frame shown (fast playback); the frames between are drawn but
    // never shown or waited for.
    virtual int framesPerShownFrame() const { return 1; }
    // Called right before a frame is shown, to draw over it (a replay's status line).
    virtual void drawOverFrame() {}
    // Whether the match may stop for a modal box (the hint's): not while a replay or a peer
    // drives the frames.
    virtual bool allowsModalBoxes() const { return true; }
};

// The local devices' match keys, as they are.
class LocalInputSource : public FrameInputSource {
  public:
    InputState nextInput(const bool localDown[keyboardKeys], FrameInput& input) override {
        const std::uint8_t pick = input.pointer;
        input = frameInputOfKeys(localDown);
        input.pointer = pick;
        return InputState::Ready;
    }
};

// Installs a source for the frames from the next pump on (null: the local devices) and returns
// the one it replaces, so that whoever installs one puts the old one back.
FrameInputSource* routeFrameInput(FrameInputSource* source);
FrameInputSource& frameInputSource();

// The input the last frame pump made (the frame a match steps by), and whether the frame being
// drawn now will be shown by the next pump (fast playback shows one in so many, and a screen may
// leave the others undrawn). The frame pump defines them.
const FrameInput& lastFrameInput();
bool nextFrameShown();

// Installs a source for the life of a scope.
class ScopedFrameInput {
  public:
    explicit ScopedFrameInput(FrameInputSource& source) : previous_(routeFrameInput(&source)) {}
    ~ScopedFrameInput() { routeFrameInput(previous_); }
    ScopedFrameInput(const ScopedFrameInput&) = delete;
    ScopedFrameInput& operator=(const ScopedFrameInput&) = delete;

  private:
    FrameInputSource* previous_;
};

} // namespace kokurin
