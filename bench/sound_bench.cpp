// What the sound costs: making every slot's samples at start-up, and one frame (735 samples) of
// the software mixer with sixteen voices sounding, as in a busy clash.
#include <benchmark/benchmark.h>

#include <vector>

#include "platform/platform.h"
#include "sound/sound_bank.h"
#include "sound/sound_mixer.h"
#include "sound/synth.h"

using namespace kokurin;

namespace {

void synthesizeEverySlot(benchmark::State& bench) {
    std::vector<std::int16_t> samples(maxNoteSamples);
    for (auto _ : bench) {
        long total = 0;
        for (int slot = 1; slot < soundSlots; ++slot) {
            total += synthesizeSlot(slot, samples.data());
        }
        benchmark::DoNotOptimize(total);
    }
}
BENCHMARK(synthesizeEverySlot)->Unit(benchmark::kMillisecond);

void mixOneFrame(benchmark::State& bench) {
    static SoundMixer mixer;
    std::vector<std::int16_t> samples(maxNoteSamples);
    for (int slot = 1; slot < soundSlots; ++slot) {
        mixer.load(slot, samples.data(), synthesizeSlot(slot, samples.data()));
    }
    std::vector<std::int16_t> frame(soundSampleRate / 60);
    for (auto _ : bench) {
        // Sixteen element tones struck together, mixed over their first frames.
        for (int slot = slotElementFirst; slot < slotElementFirst + 16; ++slot) {
            mixer.play(slot);
        }
        for (int i = 0; i < 4; ++i) {
            mixer.mix(frame.data(), static_cast<int>(frame.size()));
        }
        benchmark::DoNotOptimize(frame.data());
    }
    bench.SetItemsProcessed(bench.iterations() * 4);
    bench.SetLabel("items are frames of 735 samples");
}
BENCHMARK(mixOneFrame)->Unit(benchmark::kMicrosecond);

} // namespace
