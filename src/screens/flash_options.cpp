// The timer's blink and the strike's flash, plain or reduced.
#include "screens/flash_options.h"

#include "screens/palette.h"

namespace kokurin {

namespace {

bool reduced = false;

// Reduced: red for 15 frames, white for 15, so at most two red blinks a second.
constexpr int reducedBlinkFrames = 15;
// A quarter-strength red: the strike still shows, without a full-screen flash.
constexpr Colour softStrikeRed = 0x40FF0000u;

} // namespace

void setReduceFlashing(bool reduce) {
    reduced = reduce;
}

bool reduceFlashing() {
    return reduced;
}

bool timerBlinksRed(int turnTimer) {
    if (turnTimer >= 300) {
        return false;
    }
    if (reduced) {
        // Floor division, so that the negative counts after a time-out keep the same rhythm.
        const int phase = turnTimer >= 0
                              ? turnTimer / reducedBlinkFrames
                              : (turnTimer - reducedBlinkFrames + 1) / reducedBlinkFrames;
        return phase % 2 != 0;
    }
    // Red on odd frame counts, negative ones included (kept: odd-blink).
    return turnTimer % 2 != 0;
}

Colour strikeFlashColour() {
    return reduced ? softStrikeRed : alarmRed;
}

} // namespace kokurin
