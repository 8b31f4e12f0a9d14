// Which sound each slot holds (slot r is what the schedule's row r plays), made at start-up.
#pragma once

#include <cstdint>

#include "rules/element.h"

namespace kokurin {

// The slots of the game's sounds. Rows 1 .. 255 play them; 0 is never used.
enum SoundSlot : int {
    slotCursor = 1,
    slotSelect = 2,
    slotDrop = 3,
    slotExchange = 4,
    slotClashHit = 5,
    slotChimeLow = 6,
    slotChimeHigh = 7,
    slotTimerTick = 8,
    slotHint = 9,
    // Strikes, from the faintest to the loudest.
    slotStrikeFirst = 10,
    strikeLevels = 8,
    // One tone per roster entry.
    slotTitleFirst = 20,
    titleTones = 16,
    // Each element's tone on pentatonic degrees 0 .. elementDegrees - 1 above its own.
    slotElementFirst = 40,
    elementDegrees = 11,
};

// The slot of element e (fire .. water) raised by `degrees` pentatonic degrees (0 ..
// elementDegrees - 1; beyond that it stays at the top).
int elementSlot(Element e, int degrees);
// The slot of a strike of this damage: louder for more damage.
int strikeSlot(float damage);

// Renders slot's sound into out (room for maxNoteSamples); 0 samples for a slot the game does
// not use.
int synthesizeSlot(int slot, std::int16_t* out);

// Makes every slot's sound and hands it to the front end's sound device.
void loadSoundBank();

} // namespace kokurin
