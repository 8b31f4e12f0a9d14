// The end of every frame of a screen loop: the pump, then the ESC test.
#include "screens/frame_flow.h"

#include "input/key_state.h"
#include "platform/platform.h"

namespace kokurin {

Flow pumpFrameThenCheckEscape() {
    if (pumpFrame()) {
        return Flow::Quit;
    }
    return keyPressed(keyEscape) ? Flow::Escape : Flow::Go;
}

} // namespace kokurin
