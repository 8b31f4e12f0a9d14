// The software mixer: voices in fixed arrays (nothing is allocated while playing), a list of the
// slots that may be sounding, and 32-bit sums a block at a time clipped to 16 bits.
#include "sound/sound_mixer.h"

#include <algorithm>

namespace kokurin {

void SoundMixer::load(int slot, const std::int16_t* samples, int count) {
    if (slot <= 0 || slot >= soundSlots) {
        return;
    }
    for (Voice& voice : voices_[slot]) {
        voice.position = -1;
    }
    if (samples == nullptr || count <= 0) {
        sounds_[slot].clear();
        return;
    }
    sounds_[slot].assign(samples, samples + count);
    active_.reserve(soundSlots);
}

ResultCode SoundMixer::play(int slot) {
    if (slot <= 0 || slot >= soundSlots || sounds_[slot].empty()) {
        return resultFailed;
    }
    // The ninth sound of a slot restarts the oldest of its eight voices.
    Voice& voice = voices_[slot][nextVoice_[slot]];
    nextVoice_[slot] = (nextVoice_[slot] + 1) % soundVoicesPerSlot;
    if (muted_) {
        return resultOk;
    }
    voice.position = 0;
    if (std::find(active_.begin(), active_.end(), slot) == active_.end()) {
        active_.push_back(slot);
    }
    return resultOk;
}

void SoundMixer::setMuted(bool muted) {
    muted_ = muted;
    if (!muted) {
        return;
    }
    for (int slot : active_) {
        for (Voice& voice : voices_[slot]) {
            voice.position = -1;
        }
    }
    active_.clear();
}

void SoundMixer::setVolume(int percent) {
    volume_ = std::clamp(percent, 0, 100);
}

void SoundMixer::mix(std::int16_t* out, int count) {
    // Summed in 32 bits a block at a time, voice by voice, then held to 16 bits.
    constexpr int mixBlock = 1024;
    std::int32_t sum[mixBlock];
    for (int done = 0; done < count; done += mixBlock) {
        const int block = std::min(mixBlock, count - done);
        std::fill(sum, sum + block, 0);
        for (int slot : active_) {
            const std::vector<std::int16_t>& sound = sounds_[slot];
            const int length = static_cast<int>(sound.size());
            for (Voice& voice : voices_[slot]) {
                if (voice.position < 0) {
                    continue;
                }
                const int take = std::min(block, length - voice.position);
                const std::int16_t* from = sound.data() + voice.position;
                for (int i = 0; i < take; ++i) {
                    sum[i] += from[i];
                }
                voice.position = voice.position + take >= length ? -1 : voice.position + take;
            }
        }
        // At 100 the sum is left as it is, so the default output stays exactly the same.
        if (volume_ != 100) {
            for (int i = 0; i < block; ++i) {
                sum[i] = sum[i] * volume_ / 100;
            }
        }
        for (int i = 0; i < block; ++i) {
            out[done + i] =
                static_cast<std::int16_t>(std::clamp<std::int32_t>(sum[i], -32768, 32767));
        }
    }
    // Slots whose voices have all ended leave the list.
    active_.erase(std::remove_if(active_.begin(), active_.end(),
                                 [this](int slot) {
                                     for (const Voice& voice : voices_[slot]) {
                                         if (voice.position >= 0) {
                                             return false;
                                         }
                                     }
                                     return true;
                                 }),
                  active_.end());
}

bool SoundMixer::playing() const {
    return !active_.empty();
}

} // namespace kokurin
