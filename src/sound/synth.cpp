// The instruments: additive, FM and plucked-string voices and shaped noise, each with a soft
// attack and a fade to silence, in single precision at the sample rate of the sound seam.
#include "sound/synth.h"

#include <algorithm>
#include <cmath>

#include "platform/platform.h"

namespace kokurin {

namespace {

constexpr float sampleRate = static_cast<float>(soundSampleRate);
constexpr float twoPi = 6.28318530718f;

// Noise that is the same on every run and every platform (never the game's generator).
class NoiseSource {
  public:
    explicit NoiseSource(std::uint32_t seed) : state_(seed) {}
    // -1 .. 1.
    float next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return static_cast<float>(state_ & 0xFFFFu) / 32767.5f - 1.0f;
    }

  private:
    std::uint32_t state_;
};

int samplesOf(float seconds) {
    return std::min(maxNoteSamples, static_cast<int>(seconds * sampleRate));
}

// Soft attack and a short fade at the end, so that no note starts or stops with a click.
float edges(int i, int length, float attackSeconds) {
    const float attack = std::max(1.0f, attackSeconds * sampleRate);
    const float fade = 0.01f * sampleRate;
    float gain = 1.0f;
    if (static_cast<float>(i) < attack) {
        gain = static_cast<float>(i) / attack;
    }
    const float left = static_cast<float>(length - 1 - i);
    if (left < fade) {
        gain *= std::max(0.0f, left / fade);
    }
    return gain;
}

float decay(float t, float seconds) {
    return std::exp(-t / seconds);
}

// Partials of a bell or a bar: ratio to the fundamental, level, decay time.
struct Partial {
    float ratio;
    float level;
    float decaySeconds;
};

float partials(const Partial* list, int count, float frequency, float t) {
    float sum = 0.0f;
    for (int k = 0; k < count; ++k) {
        sum += list[k].level * decay(t, list[k].decaySeconds) *
               std::sin(twoPi * list[k].ratio * frequency * t);
    }
    return sum;
}

// A voice of time and pitch rendered for `seconds` at `volume`.
using Voice = float (*)(float t, float frequency);

int renderWith(float seconds, float attack, float volume, std::int16_t* out, Voice voice,
               float frequency) {
    const int length = samplesOf(seconds);
    for (int i = 0; i < length; ++i) {
        const float t = static_cast<float>(i) / sampleRate;
        const float value = voice(t, frequency) * edges(i, length, attack) * volume;
        out[i] = static_cast<std::int16_t>(std::clamp(value, -1.0f, 1.0f) * 32767.0f);
    }
    return length;
}

float bell(float t, float f) {
    static const Partial list[] = {
        {1.0f, 0.55f, 0.55f}, {2.0f, 0.25f, 0.35f},  {2.76f, 0.2f, 0.28f},
        {5.4f, 0.1f, 0.12f},  {8.93f, 0.05f, 0.06f},
    };
    return partials(list, 5, f, t);
}

float horn(float t, float f) {
    // FM with a modulation index that falls quickly: bright at the start, mellow after.
    const float index = 2.2f * decay(t, 0.07f) + 0.4f;
    const float modulator = std::sin(twoPi * f * t);
    return 0.6f * decay(t, 0.18f) * std::sin(twoPi * f * t + index * modulator);
}

float ocarina(float t, float f) {
    const float vibrato = 1.0f + 0.003f * std::sin(twoPi * 5.0f * t);
    const float phase = twoPi * f * vibrato * t;
    return 0.6f * decay(t, 0.3f) *
           (std::sin(phase) + 0.15f * std::sin(2.0f * phase) + 0.05f * std::sin(3.0f * phase));
}

float marimba(float t, float f) {
    static const Partial list[] = {{1.0f, 0.6f, 0.2f}, {4.0f, 0.2f, 0.04f}, {10.0f, 0.05f, 0.01f}};
    return partials(list, 3, f, t);
}

float celesta(float t, float f) {
    static const Partial list[] = {{1.0f, 0.5f, 0.3f}, {3.0f, 0.15f, 0.1f}, {6.0f, 0.05f, 0.05f}};
    return partials(list, 3, f, t);
}

float tick(float t, float f) {
    return decay(t, 0.004f) * std::sin(twoPi * f * t);
}

float click(float t, float f) {
    return decay(t, 0.006f) * (std::sin(twoPi * f * t) + 0.3f * std::sin(twoPi * 2.7f * f * t));
}

float woodTick(float t, float f) {
    return decay(t, 0.025f) *
           (0.7f * std::sin(twoPi * f * t) + 0.3f * std::sin(twoPi * 1.9f * f * t));
}

float pop(float t, float f) {
    // A quick upward glide: the phase of a frequency rising from f to 3f over 40 ms.
    const float glide = std::min(t, 0.04f);
    const float phase = twoPi * (f * t + f * glide * glide / 0.04f);
    return decay(t, 0.035f) * std::sin(phase);
}

// Noises: low-passed and shaped, their colour set by the note's frequency.
int renderNoise(Instrument instrument, float frequency, float volume, std::int16_t* out) {
    NoiseSource noise(0x9E3779B9u ^ static_cast<std::uint32_t>(instrument) * 2654435761u);
    const float seconds = instrument == Instrument::Swoosh ? 0.2f
                          : instrument == Instrument::Thud ? 0.32f
                                                           : 0.16f;
    const int length = samplesOf(seconds);
    float low = 0.0f;
    float band = 0.0f;
    float phase = 0.0f;
    for (int i = 0; i < length; ++i) {
        const float t = static_cast<float>(i) / sampleRate;
        float value = 0.0f;
        if (instrument == Instrument::Swoosh) {
            // A band of noise sweeping upwards, swelling and fading.
            const float centre = frequency * (1.0f + 4.0f * t / seconds);
            const float k = std::min(0.9f, twoPi * centre / sampleRate);
            low += k * (noise.next() - low);
            band += k * (low - band);
            const float swell = std::sin(3.14159265f * t / seconds);
            value = 1.6f * (low - band) * swell;
        } else if (instrument == Instrument::Thud) {
            // A falling low tone under a puff of dark noise.
            const float f = frequency * (0.45f + 0.55f * decay(t, 0.06f));
            phase += twoPi * f / sampleRate;
            low += 0.02f * (noise.next() - low);
            value = decay(t, 0.11f) * (0.8f * std::sin(phase) + 2.0f * low);
        } else {
            // DullHit: a short knock.
            phase += twoPi * frequency / sampleRate;
            low += 0.05f * (noise.next() - low);
            value = decay(t, 0.045f) * (0.6f * std::sin(phase) + 1.5f * low);
        }
        value *= edges(i, length, 0.002f) * volume;
        out[i] = static_cast<std::int16_t>(std::clamp(value, -1.0f, 1.0f) * 32767.0f);
    }
    return length;
}

// A plucked string (Karplus-Strong): a burst of noise circulating in a delay line as long as one
// period, averaged a little on every pass so that its high partials die first.
int renderPluck(float frequency, float volume, std::int16_t* out) {
    constexpr int maxPeriod = 1024;
    float line[maxPeriod];
    const int period = std::clamp(static_cast<int>(sampleRate / frequency), 2, maxPeriod);
    NoiseSource noise(0x2545F491u);
    float previous = 0.0f;
    for (int i = 0; i < period; ++i) {
        // The burst itself softened, so that the attack does not crack.
        previous += 0.5f * (noise.next() - previous);
        line[i] = previous;
    }
    const int length = samplesOf(0.5f);
    int at = 0;
    for (int i = 0; i < length; ++i) {
        const int next = at + 1 == period ? 0 : at + 1;
        const float value = line[at];
        line[at] = 0.996f * 0.5f * (line[at] + line[next]);
        at = next;
        const float shaped = 0.9f * value * edges(i, length, 0.004f) * volume;
        out[i] = static_cast<std::int16_t>(std::clamp(shaped, -1.0f, 1.0f) * 32767.0f);
    }
    return length;
}

} // namespace

float pentatonicFrequency(int degree, float baseFrequency) {
    // Just intonation: do 1, re 9/8, mi 5/4, sol 3/2, la 5/3.
    static const float ratios[5] = {1.0f, 9.0f / 8.0f, 5.0f / 4.0f, 3.0f / 2.0f, 5.0f / 3.0f};
    const int octave = degree >= 0 ? degree / 5 : -((4 - degree) / 5);
    const int step = degree - 5 * octave;
    return baseFrequency * ratios[step] * std::ldexp(1.0f, octave);
}

int renderNote(const Note& note, std::int16_t* out) {
    const float f = note.frequency;
    const float v = note.volume;
    switch (note.instrument) {
    case Instrument::Pluck:
        return renderPluck(f, v, out);
    case Instrument::Bell:
        return renderWith(0.6f, 0.003f, v, out, bell, f);
    case Instrument::Horn:
        return renderWith(0.35f, 0.006f, v, out, horn, f);
    case Instrument::Ocarina:
        return renderWith(0.45f, 0.015f, v, out, ocarina, f);
    case Instrument::Marimba:
        return renderWith(0.35f, 0.003f, v, out, marimba, f);
    case Instrument::Celesta:
        return renderWith(0.4f, 0.003f, v, out, celesta, f);
    case Instrument::Tick:
        return renderWith(0.02f, 0.001f, v, out, tick, f);
    case Instrument::Click:
        return renderWith(0.04f, 0.001f, v, out, click, f);
    case Instrument::WoodTick:
        return renderWith(0.1f, 0.001f, v, out, woodTick, f);
    case Instrument::Pop:
        return renderWith(0.12f, 0.002f, v, out, pop, f);
    case Instrument::Swoosh:
    case Instrument::DullHit:
    case Instrument::Thud:
        return renderNoise(note.instrument, f, v, out);
    }
    return 0;
}

} // namespace kokurin
