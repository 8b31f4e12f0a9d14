// The game's events as rows of the note schedule: single sounds at the next tick, phrases (the
// arpeggio of a clearing, the chime, the winner's jingle) on the note grid.
#include "sound/game_sounds.h"

#include <algorithm>

#include "sound/sound_bank.h"
#include "sound/sound_schedule.h"

namespace kokurin {

namespace {

// Notes of one clearing's arpeggio, and the highest cascade step that still climbs.
constexpr int arpeggioNotes = 6;
constexpr int highestCascadeStep = 3;

// The winner's jingle: degrees above the strongest element's own tone, and when each is struck
// on the note grid.
struct JingleNote {
    int degrees;
    int step;
};
constexpr JingleNote jingle[] = {{0, 0}, {2, 4}, {4, 8}, {5, 12}, {7, 14}, {9, 16}, {10, 24}};

} // namespace

void playSoundCue(const SoundCue& cue) {
    using Kind = SoundCue::Kind;
    switch (cue.kind) {
    case Kind::MatchBegins:
        // Nothing is heard: the match's own tally of cleared elements starts anew.
        return;
    case Kind::CursorMoved:
        soundCursorMoved();
        return;
    case Kind::CellSelected:
        soundCellSelected();
        return;
    case Kind::SelectionDropped:
        soundSelectionDropped();
        return;
    case Kind::CellsExchanged:
        soundCellsExchanged();
        return;
    case Kind::CellsCleared:
        soundCellsCleared(cue.player, cue.elements, cue.count, cue.step);
        return;
    case Kind::Clash:
        soundClash(cue.first, cue.second, cue.bothDestroyed);
        return;
    case Kind::Strike:
        soundStrike(cue.damage);
        return;
    case Kind::TurnPassed:
        soundTurnPassed();
        return;
    case Kind::SecondLeft:
        soundSecondLeft();
        return;
    case Kind::Winner:
        soundWinner(cue.first);
        return;
    }
}

void soundCursorMoved() {
    scheduleSlot(slotCursor, 0);
}
void soundCellSelected() {
    scheduleSlot(slotSelect, 0);
}
void soundSelectionDropped() {
    scheduleSlot(slotDrop, 0);
}
void soundCellsExchanged() {
    scheduleSlot(slotExchange, 0);
}

void soundCellsCleared(int player, const Element* elements, int count, int cascadeStep) {
    const int raised = std::min(cascadeStep, highestCascadeStep);
    for (int i = 0; i < std::min(count, arpeggioNotes); ++i) {
        // Every note a degree above the one before: the arpeggio rises whatever the elements.
        scheduleSlot(elementSlot(elements[i], raised + i), i);
    }
}

void soundClash(Element first, Element second, bool bothDestroyed) {
    if (bothDestroyed) {
        scheduleSlot(slotClashHit, 0);
        return;
    }
    scheduleSlot(elementSlot(first, 0), 0);
    scheduleSlot(elementSlot(second, 0), 0);
}

void soundStrike(float damage) {
    scheduleSlot(strikeSlot(damage), 0);
}

void soundTurnPassed() {
    scheduleSlot(slotChimeLow, 0);
    scheduleSlot(slotChimeHigh, 2);
}

void soundSecondLeft() {
    scheduleSlot(slotTimerTick, 0);
}

void soundHintShown() {
    scheduleSlot(slotHint, 0);
    // The box runs its own loop and no frame is pumped until it closes: tick now.
    tickSoundSchedule();
}

void soundWinner(Element strongest) {
    for (const JingleNote& note : jingle) {
        scheduleSlot(elementSlot(strongest, note.degrees), note.step);
    }
}

void soundRosterSelected(int entry) {
    if (entry >= 0 && entry < titleTones) {
        scheduleSlot(slotTitleFirst + entry, 0);
    }
}

} // namespace kokurin
