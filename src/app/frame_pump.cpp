// One frame pump for every front end: present, pace, the platform's events, the sound tick, the
// next frame, the devices, the frame's input and the key table, always in this order.
#include "app/frame_pump.h"

#include "input/input_route.h"
#include "input/key_bindings.h"
#include "input/key_state.h"
#include "input/pick_targets.h"

namespace kokurin {

namespace {

FramePump* installed = nullptr;

} // namespace

void installFramePump(FramePump* pump) {
    installed = pump;
}

FramePump* installedFramePump() {
    // A front end that installs none runs on one made at its first frame, at its clock's rate.
    if (installed == nullptr) {
        static FramePump firstUse(paceClockRate());
        installed = &firstUse;
    }
    return installed;
}

bool FramePump::pump() {
    // Once closed, every screen returns at once: nothing more is drawn or shown.
    if (closed_) {
        ++quitReports_;
        return true;
    }
    FrameInputSource& source = frameInputSource();
    // Fast playback shows one frame in so many and waits only for those.
    const int perShown = source.framesPerShownFrame() > 1 ? source.framesPerShownFrame() : 1;
    unshown_ = unshown_ + 1 < perShown ? unshown_ + 1 : 0;
    if (unshown_ == 0) {
        // Drawn over the finished frame, never into the screens' own draws.
        source.drawOverFrame();
        if (beforePresent_ != nullptr) {
            beforePresent_();
        }
        // A press picks among what the frame shown offered: a frame fast playback never shows
        // leaves the last one's targets on screen.
        shownPicks_ = takeOfferedPicks();
        presentDrawnFrame();
        paceWait(pacer_.ticksToWait(paceClockNow()));
    } else {
        takeOfferedPicks();
        discardDrawnFrame();
    }
    if (handleWindowEvents()) {
        return close();
    }
    // The tick reads M from the key table of the frame just shown.
    soundTick();
    beginNextFrame();

    bool local[keyboardKeys];
    readLocalKeys(local);
    FrameInput input;
    for (long held = 0;; ++held) {
        input = FrameInput{};
        if (reading_.pointer.pressed) {
            const int target =
                pickTargetAt(shownPicks_, reading_.pointer.x, reading_.pointer.y);
            input.pointer = static_cast<std::uint8_t>(target + 1);
        }
        const InputState state = source.nextInput(local, input);
        if (state == InputState::Ready) {
            break;
        }
        if (state == InputState::End) {
            // The screens around the source read on from the devices as they are now: a key
            // held when a replay is left is held, not pressed, on the next screen's frame.
            updateKeyStates(local);
            ++quitReports_;
            return true;
        }
        // The match stands still; the window lives on. A frame the source draws meanwhile is
        // the one a press picks on.
        if (source.drawWhileHeld(held)) {
            shownPicks_ = takeOfferedPicks();
            presentDrawnFrame();
        }
        paceWait(pacer_.ticksToWait(paceClockNow()));
        if (handleWindowEvents()) {
            return close();
        }
        beginNextFrame();
        readLocalKeys(local);
    }
    lastInput_ = input;

    // The screens' key table is the local person's; a match reads its keys from the frame's
    // input alone (lastInput), so a replay's or a peer's keys never reach the screens around it.
    updateKeyStates(local);
    setFramePick(static_cast<int>(input.pointer) - 1);
    return false;
}

bool FramePump::nextFrameShown() const {
    const int speed = frameInputSource().framesPerShownFrame();
    return unshown_ + 1 >= (speed > 1 ? speed : 1);
}

bool FramePump::close() {
    closed_ = true;
    ++quitReports_;
    return true;
}

void FramePump::readLocalKeys(bool local[keyboardKeys]) {
    // The player's bindings turn the keys they chose into the game's own; what is recorded,
    // replayed or sent is always the game's keys.
    readDevices(reading_);
    mapBoundKeys(activeKeyBindings(), reading_.down, bound_.down);
    mapBoundKeys(activeKeyBindings(), reading_.tapped, bound_.tapped);
    bound_.padButtons[0] = reading_.padButtons[0];
    bound_.padButtons[1] = reading_.padButtons[1];
    keysOfReading(bound_, local);
}

bool pumpFrame() {
    return installedFramePump()->pump();
}

const FrameInput& lastFrameInput() {
    return installedFramePump()->lastInput();
}

bool nextFrameShown() {
    return installedFramePump()->nextFrameShown();
}

void restartFramePacing() {
    installedFramePump()->restartPacing();
}

} // namespace kokurin
