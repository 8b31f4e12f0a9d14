// A software sound device: the slots' sounds played the way the game's devices play them, each
// slot through eight voices in turn (a ninth restarts the oldest), every voice summed and held
// to 16 bits. kokurin-sim renders a match's sound with it, and front ends without a mixer of
// their own play through it.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/platform.h"

namespace kokurin {

class SoundMixer {
  public:
    // Gives a slot its sound (copied), replacing what it held; voices of the old sound stop.
    void load(int slot, const std::int16_t* samples, int count);
    // Starts the slot's next voice from its first sample; resultFailed for a slot without sound.
    ResultCode play(int slot);
    // While muted every voice is silent and stays stopped; what starts is not heard.
    void setMuted(bool muted);
    // Scales everything mixed: 0 (silent) .. 100 (the samples as they are, the default).
    void setVolume(int percent);
    // Adds up the next `count` samples of every playing voice into out.
    void mix(std::int16_t* out, int count);
    // Whether any voice is still sounding.
    bool playing() const;

  private:
    struct Voice {
        // Next sample to play; -1 when the voice is idle.
        int position = -1;
    };

    std::vector<std::int16_t> sounds_[soundSlots];
    Voice voices_[soundSlots][soundVoicesPerSlot];
    int nextVoice_[soundSlots] = {};
    bool muted_ = false;
    int volume_ = 100;
    // Slots with a voice that may be sounding, so that mixing skips the silent ones.
    std::vector<int> active_;
};

} // namespace kokurin
