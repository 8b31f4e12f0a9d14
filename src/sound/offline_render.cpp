// The offline render: the game's slots synthesized once into the shared mixer, the events
// replayed frame by frame between mixes.
#include "sound/offline_render.h"

#include "platform/platform.h"
#include "sound/sound_bank.h"
#include "sound/sound_mixer.h"
#include "sound/synth.h"

namespace kokurin {

std::vector<std::int16_t> renderSound(const std::vector<SoundEvent>& events, long frames) {
    static SoundMixer mixer;
    std::vector<std::int16_t> sound(maxNoteSamples);
    for (int slot = 1; slot < soundSlots; ++slot) {
        mixer.load(slot, sound.data(), synthesizeSlot(slot, sound.data()));
    }
    mixer.setMuted(false);

    std::vector<std::int16_t> samples;
    long done = 0;
    auto mixTo = [&](long sample) {
        if (sample > done) {
            samples.resize(static_cast<std::size_t>(sample));
            mixer.mix(samples.data() + done, static_cast<int>(sample - done));
            done = sample;
        }
    };
    std::size_t next = 0;
    for (long frame = 0; frame <= frames; ++frame) {
        mixTo(frame * samplesPerFrame);
        for (; next < events.size() && events[next].frame == frame; ++next) {
            if (events[next].slot == 0) {
                mixer.setMuted(events[next].muted);
            } else {
                mixer.play(events[next].slot);
            }
        }
    }
    // Let the last sounds ring out.
    while (mixer.playing()) {
        mixTo(done + samplesPerFrame);
    }
    return samples;
}

} // namespace kokurin
