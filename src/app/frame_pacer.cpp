// Frame deadlines at exact 1/60 s steps from an origin, so that rounding never accumulates.
#include "app/frame_pacer.h"

namespace kokurin {

FramePacer::FramePacer(std::int64_t ticksPerSecond, int framesPerSecond)
    : ticksPerSecond_(ticksPerSecond > 0 ? ticksPerSecond : 1),
      framesPerSecond_(framesPerSecond > 0 ? framesPerSecond : 1) {}

std::int64_t FramePacer::deadline(std::int64_t frame) const {
    // Whole seconds and the remainder apart, so the product cannot overflow in a long run.
    const std::int64_t seconds = frame / framesPerSecond_;
    const std::int64_t rest = frame % framesPerSecond_;
    return origin_ + seconds * ticksPerSecond_ + rest * ticksPerSecond_ / framesPerSecond_;
}

std::int64_t FramePacer::ticksToWait(std::int64_t now) {
    if (!started_) {
        started_ = true;
        origin_ = now;
        frames_ = 0;
        return 0;
    }
    ++frames_;
    const std::int64_t due = deadline(frames_);
    if (now < due) {
        return due - now;
    }
    const std::int64_t period = deadline(frames_ + 1) - due;
    if (now - due > period) {
        // More than a frame behind (a stall, a dragged window): catching up would race.
        origin_ = now;
        frames_ = 0;
    }
    return 0;
}

} // namespace kokurin
