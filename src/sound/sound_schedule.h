// The game's one schedule of notes, ticked once a frame against the front end's clock, its due
// rows played through the front end's sound slots; M mutes and unmutes it all.
#pragma once

#include "sound/note_scheduler.h"

namespace kokurin {

extern NoteScheduler noteScheduler;

// Steps of the game's note grid: 32 to four beats, 62.5 ms at the schedule's tempo of 120.
constexpr int noteRate = 32;
// A row armed ahead fires once within a cycle of this many steps (4 s, longer than any phrase).
constexpr int notePeriod = 64;

// Gives the schedule its reset values against the clock now (its time starts 500 ms later).
void resetSoundSchedule();
// Arms row `slot` to play its slot once, `stepsAhead` grid steps from now (0: at the next tick).
// Arming a row that has not fired yet moves it.
void scheduleSlot(int slot, int stepsAhead);
// One tick of the schedule against the clock now, without the mute key (soundTick adds it).
void tickSoundSchedule();
// Whether M has muted the sound.
bool soundMuted();
// Mutes or unmutes as M does (the player's sound setting); M toggles from there.
void muteSound(bool mute);
// Whether M toggles the sound (on unless a screen is taking typed text, where M is a letter).
void setMuteKeyEnabled(bool enabled);

} // namespace kokurin
