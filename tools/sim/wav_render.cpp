// The offline render: the game's slots synthesized once, the plays and mute changes replayed
// in poll order on the shared mixer, the result written as a WAV file.
#include "wav_render.h"

#include <cstdint>
#include <cstdio>

#include "sound/sound_bank.h"
#include "sound/sound_mixer.h"
#include "sound/synth.h"

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
    static SoundMixer mixer;
    std::vector<std::int16_t> sound(maxNoteSamples);
    for (int slot = 1; slot < soundSlots; ++slot) {
        mixer.load(slot, sound.data(), synthesizeSlot(slot, sound.data()));
    }

    std::vector<std::int16_t> samples;
    long done = 0;
    auto mixTo = [&](long sample) {
        if (sample > done) {
            samples.resize(static_cast<std::size_t>(sample));
            mixer.mix(samples.data() + done, static_cast<int>(sample - done));
            done = sample;
        }
    };
    std::size_t nextPlay = 0;
    std::size_t nextMute = 0;
    for (long poll = 0; poll <= polls; ++poll) {
        mixTo(poll * samplesPerPoll);
        // Within a poll's tick the mute (M, read first) comes before the rows it plays.
        while (nextMute < mutes.size() && mutes[nextMute].poll == poll) {
            mixer.setMuted(mutes[nextMute++].muted);
        }
        while (nextPlay < played.size() && played[nextPlay].poll == poll) {
            mixer.play(played[nextPlay++].slot);
        }
    }
    // Let the last sounds ring out.
    while (mixer.playing()) {
        mixTo(done + samplesPerPoll);
    }

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
