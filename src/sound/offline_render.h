// The game's sound rendered offline: sounds started at given frames, 60 frames a second, mixed
// as the game's devices mix them. What kokurin-sim writes with --wav, and what a front end's
// real device is compared against.
#pragma once

#include <cstdint>
#include <vector>

namespace kokurin {

// The sample at which a frame's sounds start: 735 samples a frame at 44100 Hz.
constexpr long samplesPerFrame = 44100 / 60;

// One thing that happened to the sound at a frame: a slot started, or the mute changed.
struct SoundEvent {
    long frame;
    // The slot started, or 0 for a change of the mute.
    int slot;
    bool muted;
};

// Every slot's sound synthesized, the events replayed in order (within a frame as they come),
// mixed until `frames` and the last sound have ended.
std::vector<std::int16_t> renderSound(const std::vector<SoundEvent>& events, long frames);

} // namespace kokurin
