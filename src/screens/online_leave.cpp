// The online match's leave button and what a press of it does.
#include "screens/online_leave.h"

#include <algorithm>

#include "gfx/text_format.h"
#include "input/pick_targets.h"
#include "platform/platform.h"
#include "screens/bound_key_texts.h"
#include "screens/online_texts.h"

namespace kokurin {

namespace {

constexpr Colour statusYellow = 0xFFFFFF80u;
// Right of the hint on the second status line, under the ping.
constexpr int buttonX = 456;
constexpr int buttonY = 460;
constexpr PickGrid buttonPicks{buttonX - 8, buttonY - 2, screenWidth - buttonX, 20, 1, 1,
                               OnlineLeaveSource::target};

} // namespace

InputState OnlineLeaveSource::nextInput(const bool localDown[keyboardKeys], FrameInput& input) {
    if (input.pointer == target + 1) {
        // The button's pick is this screen's own: it never reaches the stream.
        input.pointer = 0;
        leaving_ = true;
    }
    const bool escape = localDown[keyEscape] && !escapeHeld_;
    escapeHeld_ = localDown[keyEscape];
    if (!playing_) {
        if (leaving_ || escape) {
            walkedAway_ = true;
            return InputState::End;
        }
        return inner_.nextInput(localDown, input);
    }
    if (!leaving_) {
        return inner_.nextInput(localDown, input);
    }
    bool down[keyboardKeys];
    std::copy(localDown, localDown + keyboardKeys, down);
    down[keyEscape] = down[keyEscape] || escapeNow_;
    const InputState state = inner_.nextInput(down, input);
    if (state == InputState::Ready) {
        escapeNow_ = !escapeNow_;
    }
    return state;
}

bool OnlineLeaveSource::drawWhileHeld(long held) {
    if (!inner_.drawWhileHeld(held)) {
        return false;
    }
    drawButton();
    return true;
}

void OnlineLeaveSource::drawOverFrame() {
    inner_.drawOverFrame();
    drawButton();
}

void OnlineLeaveSource::drawButton() const {
    const OnlineTexts& texts = onlineTexts();
    const char* label = playing_ ? texts.leaveMatch : texts.stopWatching;
    drawText(buttonX, buttonY, withBoundKeys(label), statusYellow, 14, gameFace, textLeftTop);
    offerPicks(buttonPicks);
}

} // namespace kokurin
