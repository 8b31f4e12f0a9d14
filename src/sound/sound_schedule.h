// The game's one schedule of notes, ticked once a frame against the front end's clock, its due
// rows played through the front end's sound slots.
#pragma once

#include "sound/note_scheduler.h"

namespace kokurin {

extern NoteScheduler noteScheduler;

// Gives the schedule its reset values against the clock now (its time starts 500 ms later).
void resetSoundSchedule();

} // namespace kokurin
