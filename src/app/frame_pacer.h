// Holds the frame rate at 60 a second whatever the display: every duration of the game counts
// frames, and a presentation that waits for no retrace (or a fast one) would speed it up.
#pragma once

#include <cstdint>

namespace kokurin {

class FramePacer {
  public:
    // The clock counts ticksPerSecond; frames come at most framesPerSecond a second.
    FramePacer(std::int64_t ticksPerSecond, int framesPerSecond);

    // Called once per frame after presenting, with the clock now: the ticks to wait before the
    // next frame may begin. Deadlines run on from the previous one, so waiting late by a little
    // never makes the rate drift; more than a frame late, the deadlines start again from now.
    std::int64_t ticksToWait(std::int64_t now);
    // The next call starts the deadlines afresh.
    void restart() { started_ = false; }

  private:
    std::int64_t deadline(std::int64_t frame) const;

    std::int64_t ticksPerSecond_;
    std::int64_t framesPerSecond_;
    std::int64_t origin_ = 0;
    std::int64_t frames_ = 0;
    bool started_ = false;
};

} // namespace kokurin
