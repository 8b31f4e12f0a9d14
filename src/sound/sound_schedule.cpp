// The schedule's tick: due rows go to the front end's slots, the clock is the front end's. Rows
// armed ahead fire on the note grid, so the notes of a phrase keep their spacing whatever the
// frame rate does.
#include "sound/sound_schedule.h"

#include <cstdint>

#include "input/key_state.h"
#include "platform/platform.h"

namespace kokurin {

NoteScheduler noteScheduler = {};

namespace {

bool muted = false;
// Off while a screen takes typed text (the online lobby's name and room code).
bool muteKeyEnabled = true;

// Milliseconds of four beats at tempo 1: a step lasts 240000 / (rate x tempo) ms.
constexpr std::int64_t unitMillisTempo = 240000;

} // namespace

void resetSoundSchedule() {
    resetScheduler(noteScheduler, clockMilliseconds());
}

void scheduleSlot(int slot, int stepsAhead) {
    if (slot <= 0 || slot >= scheduleRowCount) {
        return;
    }
    ScheduleRow& row = noteScheduler.rows[slot];
    row.repeatsLeft = 1;
    const std::int64_t elapsed = noteScheduler.currentElapsed;
    if (stepsAhead <= 0 || elapsed < 0) {
        // The schedule's clock starts half a second after its reset: until then, at once.
        row.period = -1;
        row.rate = 0;
        row.offset = 0;
        return;
    }
    const std::int64_t step = elapsed * noteRate * noteScheduler.tempo / unitMillisTempo;
    row.period = notePeriod;
    row.rate = noteRate;
    row.offset = static_cast<std::int32_t>((step + stepsAhead) % notePeriod);
}

void tickSoundSchedule() {
    tickScheduler(noteScheduler, clockMilliseconds(), playSoundSlot);
}

bool soundMuted() {
    return muted;
}

void muteSound(bool mute) {
    muted = mute;
    setSoundMuted(mute);
}

void setMuteKeyEnabled(bool enabled) {
    muteKeyEnabled = enabled;
}

void soundTick() {
    // Read once a frame, so one press of M toggles once, whatever screen is showing.
    if (muteKeyEnabled && keyPressed(keyM)) {
        muted = !muted;
        setSoundMuted(muted);
    }
    tickSoundSchedule();
}

} // namespace kokurin
