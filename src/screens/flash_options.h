// How the screens flash: as they always have, or gentler for players who ask (the settings'
// "reduce flashing"): the timer's red blink at most twice a second, a strike's red flash faint.
#pragma once

#include "platform/platform.h"

namespace kokurin {

// Off until the game applies the player's settings.
void setReduceFlashing(bool reduce);
bool reduceFlashing();

// Whether the timer is drawn red with this many frames left (under 300 it blinks).
bool timerBlinksRed(int turnTimer);
// The colour laid over the whole screen in a strike's first frame.
Colour strikeFlashColour();

} // namespace kokurin
