// The offline render plays what happens on a match's last frame, and nothing before its frame.
#include <gtest/gtest.h>

#include <cstdlib>

#include "sound/offline_render.h"
#include "sound/sound_bank.h"

namespace kokurin {
namespace {

long firstSoundingSample(const std::vector<std::int16_t>& samples) {
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (std::abs(samples[i]) > 64) {
            return static_cast<long>(i);
        }
    }
    return -1;
}

TEST(OfflineRender, ASoundOnTheLastFrameIsHeardFromThatFrameOn) {
    constexpr long frames = 30;
    for (long frame : {0L, 12L, frames}) {
        const std::vector<std::int16_t> samples =
            renderSound({SoundEvent{frame, slotChimeLow, false}}, frames);
        const long first = firstSoundingSample(samples);
        ASSERT_GE(first, 0) << "frame " << frame << " not heard";
        EXPECT_GE(first, frame * samplesPerFrame) << "frame " << frame;
        EXPECT_LT(first, frame * samplesPerFrame + samplesPerFrame) << "frame " << frame;
    }
}

} // namespace
} // namespace kokurin
