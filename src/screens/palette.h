// The colours the screens draw in (the elements' own colours are the rules' elementColour).
#pragma once

#include "platform/platform.h"

namespace kokurin {

// The backdrop every match frame starts from.
constexpr Colour backdropBlack = 0xFF000000u;
// Captions, the timer, the help lines, the selected roster entry, the winner text.
constexpr Colour textWhite = 0xFFFFFFFFu;
// The roster entries not selected.
constexpr Colour textGrey = 0xFF808080u;
// The timer's blink and the flash of a strike.
constexpr Colour alarmRed = 0xFFFF0000u;
// The cursor square, the human's and the computer's.
constexpr Colour cursorOrange = 0xFFFF8000u;
// The selected cell and the computer's mark.
constexpr Colour selectionBlue = 0xFF0000FFu;

} // namespace kokurin
