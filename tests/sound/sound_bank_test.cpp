// The synthesized sounds (the five phases on their pentatonic tones, soft edges, sane levels,
// the same samples every time) and the software mixer's voices.
#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/platform.h"
#include "sound/sound_bank.h"
#include "sound/sound_mixer.h"
#include "sound/synth.h"

using namespace kokurin;

namespace {

std::vector<std::int16_t> slotSamples(int slot) {
    std::vector<std::int16_t> out(maxNoteSamples);
    out.resize(static_cast<std::size_t>(synthesizeSlot(slot, out.data())));
    return out;
}

// Strength of one frequency over the first 0.1 s (Goertzel).
double strength(const std::vector<std::int16_t>& s, double frequency) {
    const int n = std::min<int>(static_cast<int>(s.size()), soundSampleRate / 10);
    const double w = 2.0 * 3.14159265358979 * frequency / soundSampleRate;
    double a = 0.0;
    double b = 0.0;
    for (int i = 0; i < n; ++i) {
        const double c = s[i] + 2.0 * std::cos(w) * a - b;
        b = a;
        a = c;
    }
    return std::sqrt(a * a + b * b - 2.0 * std::cos(w) * a * b) / n;
}

} // namespace

TEST(SoundBank, EachPhaseSoundsItsPentatonicToneAndEveryStepIsADegreeHigher) {
    // Earth 宮 do, metal 商 re, wood 角 mi, fire 徴 sol, water 羽 la, do at 261.63 Hz.
    const struct {
        Element element;
        double frequency;
    } tones[] = {{Earth, 261.63}, {Metal, 294.33}, {Wood, 327.04}, {Fire, 392.45}, {Water, 436.05}};
    for (const auto& tone : tones) {
        SCOPED_TRACE(testing::Message() << "element " << tone.element);
        const std::vector<std::int16_t> s = slotSamples(elementSlot(tone.element, 0));
        ASSERT_FALSE(s.empty());
        const double at = strength(s, tone.frequency);
        // Louder at its own tone than a semitone either side or at the other phases' tones.
        EXPECT_GT(at, 2.0 * strength(s, tone.frequency * 1.0595));
        EXPECT_GT(at, 2.0 * strength(s, tone.frequency / 1.0595));
        for (const auto& other : tones) {
            if (other.element != tone.element) {
                EXPECT_GT(at, 2.0 * strength(s, other.frequency)) << "against " << other.element;
            }
        }
    }
    // Earth two degrees up is mi; water one degree up is do an octave higher.
    EXPECT_GT(strength(slotSamples(elementSlot(Earth, 2)), 327.04),
              2.0 * strength(slotSamples(elementSlot(Earth, 2)), 261.63));
    EXPECT_GT(strength(slotSamples(elementSlot(Water, 1)), 523.25),
              2.0 * strength(slotSamples(elementSlot(Water, 1)), 436.05));
    EXPECT_EQ(elementSlot(Water, 99), elementSlot(Water, elementDegrees - 1));
}

TEST(SoundBank, EverySoundStartsAndEndsSoftlyAtASaneLevelAndIsTheSameEachTime) {
    int used = 0;
    for (int slot = 0; slot < soundSlots; ++slot) {
        const std::vector<std::int16_t> s = slotSamples(slot);
        if (s.empty()) {
            continue;
        }
        SCOPED_TRACE(testing::Message() << "slot " << slot);
        ++used;
        int peak = 0;
        for (std::int16_t v : s) {
            peak = std::max(peak, std::abs(static_cast<int>(v)));
        }
        EXPECT_GT(peak, 32767 / 50) << "audible";
        EXPECT_LT(peak, 32767 * 8 / 10) << "room for voices to sum";
        // No click: the first and last samples are near silence.
        EXPECT_LT(std::abs(static_cast<int>(s.front())), 200);
        EXPECT_LT(std::abs(static_cast<int>(s.back())), 50);
        EXPECT_EQ(s, slotSamples(slot));
    }
    // The noises, the strikes, the roster's tones and the elements' tones, nothing else.
    EXPECT_EQ(used, 9 + strikeLevels + titleTones + 5 * elementDegrees);
    EXPECT_TRUE(slotSamples(0).empty()) << "row 0 never plays";
}

TEST(SoundMixer, EightVoicesASlotTheNinthRestartsTheOldestAndMuteSilencesAtOnce) {
    SoundMixer mixer;
    const std::vector<std::int16_t> step(100, 1000);
    mixer.load(5, step.data(), static_cast<int>(step.size()));
    EXPECT_EQ(mixer.play(6), resultFailed) << "a slot without a sound";
    std::vector<std::int16_t> out(10);

    // Eight overlapping plays of one slot sum; a ninth takes over the first voice.
    for (int i = 0; i < 8; ++i) {
        ASSERT_EQ(mixer.play(5), resultOk);
        mixer.mix(out.data(), 10);
    }
    EXPECT_EQ(out[0], 8000);
    ASSERT_EQ(mixer.play(5), resultOk);
    mixer.mix(out.data(), 10);
    EXPECT_EQ(out[0], 8000) << "still eight voices";
    // Voice i started at sample 10 i and ends 100 later; the first restarted at 80 and now
    // ends at 180. From sample 90 on they end one by one.
    std::vector<std::int16_t> tail(100);
    mixer.mix(tail.data(), 100);
    EXPECT_EQ(tail[0], 8000);
    EXPECT_EQ(tail[30], 6000) << "at 120 the voices started at 0 (again), 30 .. 70";
    EXPECT_EQ(tail[85], 1000) << "only the restarted voice is left";
    mixer.mix(tail.data(), 100);
    EXPECT_FALSE(mixer.playing());

    // Louder than 16 bits holds at the limit.
    const std::vector<std::int16_t> loud(50, 20000);
    mixer.load(7, loud.data(), 50);
    mixer.play(7);
    mixer.play(7);
    mixer.mix(out.data(), 10);
    EXPECT_EQ(out[0], 32767);

    mixer.setMuted(true);
    mixer.mix(out.data(), 10);
    EXPECT_EQ(out[0], 0) << "what plays falls silent";
    mixer.play(7);
    mixer.mix(out.data(), 10);
    EXPECT_EQ(out[0], 0) << "what starts is not heard";
    mixer.setMuted(false);
    mixer.play(7);
    mixer.mix(out.data(), 10);
    EXPECT_EQ(out[0], 20000);
}

TEST(SoundMixer, VoicesOfDifferentSlotsSumHeldTo16BitsBothWaysAndALoadReplacesTheSound) {
    SoundMixer mixer;
    const std::int16_t loud[3] = {30000, -30000, 5};
    const std::int16_t quiet[2] = {1, 2};
    mixer.load(1, loud, 3);
    mixer.load(2, quiet, 2);
    EXPECT_EQ(mixer.play(3), resultFailed);
    EXPECT_EQ(mixer.play(0), resultFailed);
    EXPECT_EQ(mixer.play(soundSlots), resultFailed);
    // Two copies of slot 1 and one of slot 2 together: summed, then held to 16 bits.
    ASSERT_EQ(mixer.play(1), resultOk);
    ASSERT_EQ(mixer.play(1), resultOk);
    ASSERT_EQ(mixer.play(2), resultOk);
    std::int16_t out[4];
    mixer.mix(out, 4);
    EXPECT_EQ((std::vector<std::int16_t>(out, out + 4)),
              (std::vector<std::int16_t>{32767, -32768, 10, 0}));
    // Loading stops the old sound's voices and plays the new one from then on.
    mixer.play(2);
    mixer.load(2, loud, 1);
    mixer.mix(out, 2);
    EXPECT_EQ(out[0], 0);
    mixer.play(2);
    mixer.mix(out, 2);
    EXPECT_EQ(out[0], 30000);
    EXPECT_EQ(out[1], 0);
    // A mix longer than the mixer's block of 1024 samples.
    std::vector<std::int16_t> long_sound(2500, 7);
    mixer.load(9, long_sound.data(), 2500);
    mixer.play(9);
    std::vector<std::int16_t> stream(3000);
    mixer.mix(stream.data(), 3000);
    EXPECT_EQ(std::count(stream.begin(), stream.end(), 7), 2500);
    EXPECT_EQ(stream[2499], 7);
    EXPECT_EQ(stream[2500], 0);
}
