// The mixer: voices summed in 32 bits a block at a time, then clipped to 16.
#include "sdl/sound_mixer.h"

#include <algorithm>

namespace kokurin {
namespace sdl {

namespace {

constexpr int mixBlock = 1024;

} // namespace

void SoundMixer::load(int slot, const std::int16_t* samples, int count) {
    if (slot <= 0 || slot >= soundSlots) {
        return;
    }
    Slot& s = slots_[slot];
    if (samples != nullptr && count > 0) {
        s.samples.assign(samples, samples + count);
    } else {
        s.samples.clear();
    }
    std::fill(std::begin(s.positions), std::end(s.positions), -1);
    s.nextVoice = 0;
}

bool SoundMixer::play(int slot) {
    if (slot <= 0 || slot >= soundSlots || slots_[slot].samples.empty()) {
        return false;
    }
    Slot& s = slots_[slot];
    if (!muted_) {
        s.positions[s.nextVoice] = 0;
    }
    s.nextVoice = (s.nextVoice + 1) % soundVoicesPerSlot;
    return true;
}

void SoundMixer::setMuted(bool muted) {
    muted_ = muted;
    if (!muted) {
        return;
    }
    for (Slot& s : slots_) {
        std::fill(std::begin(s.positions), std::end(s.positions), -1);
    }
}

void SoundMixer::mix(std::int16_t* out, int count) {
    std::int32_t sum[mixBlock];
    for (int done = 0; done < count; done += mixBlock) {
        const int block = std::min(mixBlock, count - done);
        std::fill(sum, sum + block, 0);
        for (Slot& s : slots_) {
            if (s.samples.empty()) {
                continue;
            }
            const int length = static_cast<int>(s.samples.size());
            for (int& position : s.positions) {
                if (position < 0) {
                    continue;
                }
                const int take = std::min(block, length - position);
                for (int i = 0; i < take; ++i) {
                    sum[i] += s.samples[position + i];
                }
                position = position + take >= length ? -1 : position + take;
            }
        }
        for (int i = 0; i < block; ++i) {
            out[done + i] = static_cast<std::int16_t>(std::clamp(sum[i], -32768, 32767));
        }
    }
}

} // namespace sdl
} // namespace kokurin
