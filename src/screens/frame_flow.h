// How a frame, a pause or a step of a match ended, and the pump that every screen loop ends its
// frames with.
#pragma once

namespace kokurin {

enum class Flow {
    // Go on.
    Go,
    // The game is closing: return at once, drawing and pumping nothing more.
    Quit,
    // ESC was first pressed: leave the current screen or step.
    Escape,
};

// Pumps the frame just drawn, then tests ESC.
Flow pumpFrameThenCheckEscape();

// What a loop that returns "must quit" returns for a flow that leaves it.
inline bool quitting(Flow flow) {
    return flow == Flow::Quit;
}

} // namespace kokurin
