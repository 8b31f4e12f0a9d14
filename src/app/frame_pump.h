// The core's frame pump: what happens between two frames, written once for every front end.
// A front end provides the platform's parts (platform.h); the order, the pacing, the meaning
// of quit and the making of the frame's input are here.
#pragma once

#include <cstdint>

#include "app/frame_pacer.h"
#include "input/frame_input.h"
#include "input/pick_targets.h"
#include "platform/platform.h"

namespace kokurin {

class FramePump {
  public:
    explicit FramePump(std::int64_t clockRate) : pacer_(clockRate, 60) {}

    // One pump (see pumpFrame in platform.h).
    bool pump();
    void restartPacing() { pacer_.restart(); }
    // Called in every pump right before the drawn frame is shown (null: nothing), for what is
    // drawn over every screen (the help overlay).
    void setBeforePresent(void (*draw)()) { beforePresent_ = draw; }

    // Calls that told the screens to return (each one counts, so a loop that pumps on after
    // being told shows up).
    long quitReports() const { return quitReports_; }
    // Whether the player has closed the game.
    bool closed() const { return closed_; }
    // A front end whose runs are separate (the headless one's) opens the game again.
    void reopen() { closed_ = false; }
    // The input of the last frame made.
    const FrameInput& lastInput() const { return lastInput_; }
    // Whether the frame being drawn now will be shown by the next pump (fast playback shows one
    // in so many): a screen may leave a frame nobody sees undrawn.
    bool nextFrameShown() const;

  private:
    bool close();
    void readLocalKeys(bool local[keyboardKeys]);

    FramePacer pacer_;
    // Frames drawn but not shown since the last one shown (fast playback).
    int unshown_ = 0;
    bool closed_ = false;
    long quitReports_ = 0;
    FrameInput lastInput_;
    void (*beforePresent_)() = nullptr;
    // The devices' reading and the same after the key bindings.
    DeviceReading reading_ = {};
    DeviceReading bound_ = {};
    // The pick targets of the frame on screen.
    OfferedPicks shownPicks_;
};

// The pump that pumpFrame runs: one the front end installed (null: none), else one made at the
// first frame with the platform's clock rate.
void installFramePump(FramePump* pump);
FramePump* installedFramePump();

} // namespace kokurin
