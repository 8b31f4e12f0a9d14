// The software mixer: voices in fixed arrays (nothing is allocated while playing), a list of the
// slots that may be sounding, and 32-bit sums clipped to 16 bits.
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
    voice.slot = slot;
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

void SoundMixer::mix(std::int16_t* out, int count) {
    for (int i = 0; i < count; ++i) {
        std::int32_t sum = 0;
        for (int slot : active_) {
            const std::vector<std::int16_t>& sound = sounds_[slot];
            for (Voice& voice : voices_[slot]) {
                if (voice.position < 0) {
                    continue;
                }
                sum += sound[static_cast<std::size_t>(voice.position)];
                if (++voice.position >= static_cast<int>(sound.size())) {
                    voice.position = -1;
                }
            }
        }
        out[i] = static_cast<std::int16_t>(std::clamp<std::int32_t>(sum, -32768, 32767));
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
