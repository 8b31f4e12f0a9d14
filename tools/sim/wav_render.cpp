// The sounds a match played, in the order they came, rendered by the game's offline render and
// written as a WAV file.
#include "wav_render.h"

#include <cstdint>
#include <cstdio>

#include "platform/platform.h"
#include "sound/offline_render.h"

namespace kokurin {

namespace {

void put16(std::FILE* f, std::uint32_t v) {
    const unsigned char b[2] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8)};
    std::fwrite(b, 1, 2, f);
}

void put32(std::FILE* f, std::uint32_t v) {
    put16(f, v & 0xFFFFu);
    put16(f, v >> 16);
}

} // namespace

bool writeMatchSound(const std::string& path, const std::vector<headless::PlayedSound>& played,
                     const std::vector<headless::MuteChange>& mutes, long polls,
                     std::string& error) {
    // The mute's changes and the plays in poll order; within a poll's tick the mute (M, read
    // first) comes before the rows it plays.
    std::vector<SoundEvent> events;
    std::size_t nextPlay = 0;
    std::size_t nextMute = 0;
    while (nextPlay < played.size() || nextMute < mutes.size()) {
        if (nextMute < mutes.size() &&
            (nextPlay == played.size() || mutes[nextMute].poll <= played[nextPlay].poll)) {
            events.push_back(SoundEvent{mutes[nextMute].poll, 0, mutes[nextMute].muted});
            ++nextMute;
        } else {
            events.push_back(SoundEvent{played[nextPlay].poll, played[nextPlay].slot, false});
            ++nextPlay;
        }
    }
    const std::vector<std::int16_t> samples = renderSound(events, polls);

    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        error = "cannot write '" + path + "'";
        return false;
    }
    const std::uint32_t bytes = static_cast<std::uint32_t>(samples.size() * 2);
    std::fwrite("RIFF", 1, 4, f);
    put32(f, 36 + bytes);
    std::fwrite("WAVEfmt ", 1, 8, f);
    put32(f, 16);
    put16(f, 1); // PCM
    put16(f, 1); // mono
    put32(f, soundSampleRate);
    put32(f, soundSampleRate * 2);
    put16(f, 2);
    put16(f, 16);
    std::fwrite("data", 1, 4, f);
    put32(f, bytes);
    for (std::int16_t s : samples) {
        put16(f, static_cast<std::uint16_t>(s));
    }
    const bool ok = std::fclose(f) == 0;
    if (!ok) {
        error = "cannot write '" + path + "'";
    }
    return ok;
}

} // namespace kokurin
