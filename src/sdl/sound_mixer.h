// The mixer behind the sound slots: each slot holds one sound and plays it through eight voices
// in turn; the voices playing are summed, with clipping, into the device's mono 16-bit stream.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/platform.h"

namespace kokurin {
namespace sdl {

class SoundMixer {
  public:
    // Gives slot 1 .. soundSlots - 1 a copy of the samples, silencing what it played.
    void load(int slot, const std::int16_t* samples, int count);
    // Starts the slot's next voice from the beginning (the ninth restarts the oldest); false
    // when the slot holds no sound. While muted nothing starts.
    bool play(int slot);
    // Muting stops every voice at once.
    void setMuted(bool muted);
    // Fills out with the next count samples of the stream; allocates nothing.
    void mix(std::int16_t* out, int count);

  private:
    struct Slot {
        std::vector<std::int16_t> samples;
        // Where each voice has got to; -1 while it is silent.
        int positions[soundVoicesPerSlot] = {-1, -1, -1, -1, -1, -1, -1, -1};
        int nextVoice = 0;
    };

    Slot slots_[soundSlots];
    bool muted_ = false;
};

} // namespace sdl
} // namespace kokurin
