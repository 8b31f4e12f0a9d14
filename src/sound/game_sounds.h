// What the game's events sound like. Each event arms rows of the note schedule; the schedule's
// tick, once a frame inside the frame pump, plays them when they fall due. Nothing here draws,
// waits or touches the random generator.
#pragma once

#include "match/match_listener.h"
#include "rules/element.h"

namespace kokurin {

// A match's sound cue, played as the function for its kind below.
void playSoundCue(const SoundCue& cue);

// The cursor moved (a human's keys, or the computer's cursor or mark walking).
void soundCursorMoved();
// A cell was selected (or the computer raised its mark); the selection was dropped.
void soundCellSelected();
void soundSelectionDropped();
// Two cells were exchanged.
void soundCellsExchanged();
// One clearing of a cascade: the cleared elements in queue order, as a fast rising arpeggio,
// the whole a degree higher for every step of the cascade (0 for the first clearing).
void soundCellsCleared(int player, const Element* elements, int count, int cascadeStep);
// One encounter of the clash: the two tones together, or a dull hit when both blocks go.
void soundClash(Element first, Element second, bool bothDestroyed);
// A block strikes for this damage: a thud as loud as the damage is heavy.
void soundStrike(float damage);
// The turn passes to the other player.
void soundTurnPassed();
// A second of the last five of a human turn has passed.
void soundSecondLeft();
// The hint is shown: heard at once, before its box stops the frames.
void soundHintShown();
// The winner screen: a jingle on the element the winner cleared most of.
void soundWinner(Element strongest);
// A roster entry was selected on the title screen.
void soundRosterSelected(int entry);

} // namespace kokurin
