// The DirectSound 8 output: the device, 256 sound slots of eight playing copies each, and the
// note scheduler ticked once per frame.
#pragma once

#include <windows.h>

#include "sound/note_scheduler.h"

// The schedule of the game's notes.
extern NoteScheduler noteScheduler;

// Initialises COM, empties the slots and opens the default sound device for the window with
// exclusive priority: 0 on success, 1 without a device.
int initSound(HWND window);
// One tick of the schedule against the millisecond clock, playing every due row.
void soundTick();
// The first row due now, marked fired; 0 when none is.
int findDueRow();
// Starts the next copy of slot row; E_FAIL when the slot holds no sound.
HRESULT playRow(int row);
// Gives the schedule its reset values against the clock now.
void resetScheduler();
// Releases every buffer and the device, then COM.
void releaseSound();
// Whether initSound opened a device.
bool soundDeviceReady();
