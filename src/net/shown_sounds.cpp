// Each frame's cues are kept by their digests in a ring of frames; a frame stepped again crosses
// off its earlier cues one by one, so two equal sounds in one frame are two.
#include "net/shown_sounds.h"

#include <cstring>

namespace kokurin::net {

namespace {

std::uint32_t mix(std::uint32_t digest, std::uint32_t value) {
    // FNV-1a over the value's four bytes.
    for (int i = 0; i < 4; ++i) {
        digest = (digest ^ ((value >> (8 * i)) & 0xffu)) * 16777619u;
    }
    return digest;
}

} // namespace

std::uint32_t soundCueDigest(const SoundCue& cue) {
    std::uint32_t digest = 2166136261u;
    digest = mix(digest, static_cast<std::uint32_t>(cue.kind));
    digest = mix(digest, static_cast<std::uint32_t>(cue.player));
    digest = mix(digest, static_cast<std::uint32_t>(cue.step));
    digest = mix(digest, static_cast<std::uint32_t>(cue.count));
    for (int i = 0; cue.elements != nullptr && i < cue.count; ++i) {
        digest = mix(digest, static_cast<std::uint32_t>(cue.elements[i]));
    }
    digest = mix(digest, static_cast<std::uint32_t>(cue.first));
    digest = mix(digest, static_cast<std::uint32_t>(cue.second));
    digest = mix(digest, cue.bothDestroyed ? 1u : 0u);
    std::uint32_t damage = 0;
    std::memcpy(&damage, &cue.damage, sizeof damage);
    return mix(digest, damage);
}

void ShownSounds::beginFrame(std::uint32_t frame, bool again) {
    current_ = &frames_[frame % frameSlots];
    again_ = again && current_->frame == frame;
    if (again_) {
        earlier_ = *current_;
    }
    current_->frame = frame;
    current_->count = 0;
}

void ShownSounds::sound(const SoundCue& cue) {
    if (current_ == nullptr) {
        // The match's beginning is stepped once.
        out_.sound(cue);
        return;
    }
    const std::uint32_t digest = soundCueDigest(cue);
    if (current_->count < cuesPerFrame) {
        current_->cues[current_->count++] = digest;
    }
    if (again_) {
        for (int i = 0; i < earlier_.count; ++i) {
            if (earlier_.cues[i] == digest) {
                earlier_.cues[i] = earlier_.cues[--earlier_.count];
                ++heldBack_;
                return;
            }
        }
        ++playedLate_;
    }
    out_.sound(cue);
}

} // namespace kokurin::net
