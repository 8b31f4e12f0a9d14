// The game's sounds, slot by slot: the five phases as the five tones of the old pentatonic scale
// (earth 宮 do, metal 商 re, wood 角 mi, fire 徴 sol, water 羽 la), each in its own timbre, and
// the noises of play.
#include "sound/sound_bank.h"

#include <algorithm>
#include <vector>

#include "platform/platform.h"
#include "sound/synth.h"

namespace kokurin {

namespace {

// 宮 (do) of the element tones and of the roster's tones.
constexpr float elementDo = 261.63f;
constexpr float titleDo = 523.25f;

struct ElementVoice {
    Instrument instrument;
    // The element's own degree of the scale.
    int degree;
    float volume;
};

ElementVoice elementVoice(Element e) {
    switch (e) {
    case Fire:
        return {Instrument::Horn, 3, 0.3f};
    case Metal:
        return {Instrument::Bell, 1, 0.32f};
    case Wood:
        return {Instrument::Pluck, 2, 0.4f};
    case Earth:
        return {Instrument::Ocarina, 0, 0.32f};
    case Water:
    default:
        return {Instrument::Marimba, 4, 0.36f};
    }
}

// The note a slot plays, or false for a slot the game does not use.
bool noteOfSlot(int slot, Note& note) {
    if (slot >= slotElementFirst && slot < slotElementFirst + 5 * elementDegrees) {
        const int index = slot - slotElementFirst;
        const ElementVoice voice =
            elementVoice(static_cast<Element>(Fire + index / elementDegrees));
        note = {voice.instrument,
                pentatonicFrequency(voice.degree + index % elementDegrees, elementDo),
                voice.volume};
        return true;
    }
    if (slot >= slotTitleFirst && slot < slotTitleFirst + titleTones) {
        note = {Instrument::Celesta, pentatonicFrequency(slot - slotTitleFirst, titleDo), 0.25f};
        return true;
    }
    if (slot >= slotStrikeFirst && slot < slotStrikeFirst + strikeLevels) {
        const float level = static_cast<float>(slot - slotStrikeFirst + 1) / strikeLevels;
        note = {Instrument::Thud, 110.0f, 0.15f + 0.6f * level};
        return true;
    }
    switch (slot) {
    case slotCursor:
        note = {Instrument::Tick, 1400.0f, 0.08f};
        return true;
    case slotSelect:
        note = {Instrument::Click, 1800.0f, 0.22f};
        return true;
    case slotDrop:
        note = {Instrument::Click, 1100.0f, 0.2f};
        return true;
    case slotExchange:
        note = {Instrument::Swoosh, 500.0f, 0.35f};
        return true;
    case slotClashHit:
        note = {Instrument::DullHit, 160.0f, 0.45f};
        return true;
    case slotChimeLow:
        note = {Instrument::Bell, pentatonicFrequency(3, titleDo), 0.22f};
        return true;
    case slotChimeHigh:
        note = {Instrument::Bell, pentatonicFrequency(5, titleDo), 0.22f};
        return true;
    case slotTimerTick:
        note = {Instrument::WoodTick, 1250.0f, 0.3f};
        return true;
    case slotHint:
        note = {Instrument::Pop, 420.0f, 0.3f};
        return true;
    default:
        return false;
    }
}

} // namespace

int elementSlot(Element e, int degrees) {
    const int element =
        std::clamp(static_cast<int>(e), static_cast<int>(Fire), static_cast<int>(Water));
    return slotElementFirst + (element - Fire) * elementDegrees +
           std::clamp(degrees, 0, elementDegrees - 1);
}

int strikeSlot(float damage) {
    const int level = static_cast<int>(damage * static_cast<float>(strikeLevels) + 0.5f) - 1;
    return slotStrikeFirst + std::clamp(level, 0, strikeLevels - 1);
}

int synthesizeSlot(int slot, std::int16_t* out) {
    Note note;
    if (!noteOfSlot(slot, note)) {
        return 0;
    }
    return renderNote(note, out);
}

void loadSoundBank() {
    // One buffer for every slot in turn: the front end keeps its own copy.
    std::vector<std::int16_t> samples(maxNoteSamples);
    for (int slot = 1; slot < soundSlots; ++slot) {
        const int count = synthesizeSlot(slot, samples.data());
        if (count > 0) {
            loadSoundSlot(slot, samples.data(), count);
        }
    }
}

} // namespace kokurin
