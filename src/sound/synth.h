// The game's instruments, synthesized: every sound it plays is made here at start-up, so the
// game ships no sound files and every front end plays the same samples.
#pragma once

#include <cstdint>

namespace kokurin {

enum class Instrument {
    // The five phases' own timbres.
    Pluck,   // wood: a plucked string
    Bell,    // metal: a small bell
    Horn,    // fire: a bright, brassy blip
    Ocarina, // earth: a soft, round flute
    Marimba, // water: a wooden bar over a resonator
    // The title screen's roster.
    Celesta,
    // Noises of play.
    Tick,     // the cursor moving
    Click,    // selecting or dropping a cell
    Swoosh,   // two cells exchanged
    DullHit,  // two clashing blocks destroying each other
    Thud,     // a block striking a player
    WoodTick, // a second passing at the end of a turn
    Pop,      // the hint
};

struct Note {
    Instrument instrument;
    // Pitch in hertz (the noises use it as their colour).
    float frequency;
    // 0 .. 1 of full scale at the loudest.
    float volume;
};

// The longest note, in samples at soundSampleRate.
constexpr int maxNoteSamples = 30000;

// Renders the note into out (room for maxNoteSamples): soft attack, no click at the end.
// Returns the number of samples. The same note always gives the same samples.
int renderNote(const Note& note, std::int16_t* out);

// The frequency of a degree of the game's pentatonic scale: degree 0 is 宮 (do) at
// `baseFrequency`, then 商 re, 角 mi, 徴 sol, 羽 la, and 5 is do an octave up.
float pentatonicFrequency(int degree, float baseFrequency);

} // namespace kokurin
