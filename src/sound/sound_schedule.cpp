// The schedule's tick: due rows go to the front end's slots, the clock is the front end's.
#include "sound/sound_schedule.h"

#include "platform/platform.h"

namespace kokurin {

NoteScheduler noteScheduler = {};

void resetSoundSchedule() {
    resetScheduler(noteScheduler, clockMilliseconds());
}

void soundTick() {
    tickScheduler(noteScheduler, clockMilliseconds(), playSoundSlot);
}

} // namespace kokurin
