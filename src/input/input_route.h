// Where a frame's input comes from: the local devices by default; a recording, a replay or the
// network plug in here, and nowhere else, so that the match sees the same values from each.
#pragma once

#include "input/frame_input.h"

namespace kokurin {

class FrameInputSource {
  public:
    virtual ~FrameInputSource() = default;
    // The input of the frame that begins now, given the keys the local devices report; input
    // arrives holding the local pointer's pick (and no keys), for a source that takes it. False
    // ends the frames: the pump then tells the screens to return, as when the game closes.
    virtual bool nextInput(const bool localDown[keyboardKeys], FrameInput& input) = 0;
};

// The local devices' match keys, as they are.
class LocalInputSource : public FrameInputSource {
  public:
    bool nextInput(const bool localDown[keyboardKeys], FrameInput& input) override {
        const std::uint8_t pick = input.pointer;
        input = frameInputOfKeys(localDown);
        input.pointer = pick;
        return true;
    }
};

// Installs a source for the frames from the next pump on (null: the local devices) and returns
// the one it replaces, so that whoever installs one puts the old one back.
FrameInputSource* routeFrameInput(FrameInputSource* source);
FrameInputSource& frameInputSource();

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
