// The sound system: DirectSound device and slots of source buffers with their playing copies,
// each slot's source a secondary buffer of the game's 16-bit samples.
#include "win32/sound_system.h"

#include <mmsystem.h>
#include <objbase.h>

#include <dsound.h>

#include <cmath>
#include <cstring>

#include "platform/platform.h"
#include "sound/note_scheduler.h"

namespace kokurin {

namespace {

constexpr int voicesPerSlot = soundVoicesPerSlot;
constexpr int slotCount = scheduleRowCount;
static_assert(slotCount == soundSlots, "one slot for every row of the schedule");

struct SoundSystem {
    IDirectSound8* device;
    IDirectSoundBuffer* sourceBuffers[slotCount];
    // Each a heap array of voicesPerSlot copies of the slot's source buffer.
    IDirectSoundBuffer** voiceBuffers[slotCount];
    int nextVoice[slotCount];
    // CoInitialize ran, so CoUninitialize is owed.
    bool comInitialised;
    // M: nothing plays.
    bool muted;
    // The player's volume as DirectSound's attenuation (hundredths of a decibel, 0 = as made).
    LONG attenuation;
};

SoundSystem soundSystem = {};

// Releases a slot's copies and its source buffer.
void releaseSlot(int slot) {
    if (soundSystem.voiceBuffers[slot] != nullptr) {
        for (int voice = 0; voice < voicesPerSlot; ++voice) {
            IDirectSoundBuffer*& copy = soundSystem.voiceBuffers[slot][voice];
            if (copy != nullptr) {
                copy->Release();
                copy = nullptr;
            }
        }
        delete[] soundSystem.voiceBuffers[slot];
        soundSystem.voiceBuffers[slot] = nullptr;
    }
    if (soundSystem.sourceBuffers[slot] != nullptr) {
        soundSystem.sourceBuffers[slot]->Release();
        soundSystem.sourceBuffers[slot] = nullptr;
    }
    soundSystem.nextVoice[slot] = 0;
}

// A secondary buffer holding the samples: mono, 16 bits, the game's sample rate; heard even
// while another window has the focus.
IDirectSoundBuffer* makeSourceBuffer(const std::int16_t* samples, int count) {
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = soundSampleRate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 2;
    format.nAvgBytesPerSec = soundSampleRate * 2;
    DSBUFFERDESC description = {};
    description.dwSize = sizeof description;
    description.dwFlags = DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME | DSBCAPS_GLOBALFOCUS;
    description.dwBufferBytes = static_cast<DWORD>(count) * 2;
    description.lpwfxFormat = &format;
    IDirectSoundBuffer* buffer = nullptr;
    if (FAILED(soundSystem.device->CreateSoundBuffer(&description, &buffer, nullptr))) {
        return nullptr;
    }
    void* first = nullptr;
    void* second = nullptr;
    DWORD firstBytes = 0;
    DWORD secondBytes = 0;
    if (FAILED(buffer->Lock(0, description.dwBufferBytes, &first, &firstBytes, &second,
                            &secondBytes, 0))) {
        buffer->Release();
        return nullptr;
    }
    std::memcpy(first, samples, firstBytes);
    if (second != nullptr) {
        std::memcpy(second, reinterpret_cast<const char*>(samples) + firstBytes, secondBytes);
    }
    buffer->Unlock(first, firstBytes, second, secondBytes);
    return buffer;
}

} // namespace

int initSound(HWND window) {
    soundSystem.comInitialised = SUCCEEDED(CoInitialize(nullptr));
    for (IDirectSoundBuffer*& buffer : soundSystem.sourceBuffers) {
        buffer = nullptr;
    }
    if (FAILED(DirectSoundCreate8(nullptr, &soundSystem.device, nullptr))) {
        soundSystem.device = nullptr;
        return 1;
    }
    if (FAILED(soundSystem.device->SetCooperativeLevel(window, DSSCL_EXCLUSIVE))) {
        return 1;
    }
    return 0;
}

void loadSoundSlot(int slot, const std::int16_t* samples, int count) {
    if (slot <= 0 || slot >= slotCount || soundSystem.device == nullptr) {
        return;
    }
    releaseSlot(slot);
    if (samples == nullptr || count <= 0) {
        return;
    }
    IDirectSoundBuffer* source = makeSourceBuffer(samples, count);
    if (source == nullptr) {
        return;
    }
    soundSystem.sourceBuffers[slot] = source;
    // The eight playing copies share the source's samples.
    soundSystem.voiceBuffers[slot] = new IDirectSoundBuffer*[voicesPerSlot]();
    for (int voice = 0; voice < voicesPerSlot; ++voice) {
        IDirectSoundBuffer* copy = nullptr;
        if (SUCCEEDED(soundSystem.device->DuplicateSoundBuffer(source, &copy))) {
            soundSystem.voiceBuffers[slot][voice] = copy;
            copy->SetVolume(soundSystem.attenuation);
        }
    }
}

void setSoundVolume(int percent) {
    // Loudness by amplitude: 20 log10 of the fraction, in hundredths of a decibel.
    const double fraction = percent / 100.0;
    soundSystem.attenuation =
        percent <= 0 ? DSBVOLUME_MIN
                     : (percent >= 100 ? 0 : static_cast<LONG>(2000.0 * std::log10(fraction)));
    for (int slot = 0; slot < slotCount; ++slot) {
        if (soundSystem.voiceBuffers[slot] == nullptr) {
            continue;
        }
        for (int voice = 0; voice < voicesPerSlot; ++voice) {
            if (soundSystem.voiceBuffers[slot][voice] != nullptr) {
                soundSystem.voiceBuffers[slot][voice]->SetVolume(soundSystem.attenuation);
            }
        }
    }
}

void setSoundMuted(bool muted) {
    soundSystem.muted = muted;
    if (!muted) {
        return;
    }
    for (int slot = 0; slot < slotCount; ++slot) {
        if (soundSystem.voiceBuffers[slot] == nullptr) {
            continue;
        }
        for (int voice = 0; voice < voicesPerSlot; ++voice) {
            if (soundSystem.voiceBuffers[slot][voice] != nullptr) {
                soundSystem.voiceBuffers[slot][voice]->Stop();
            }
        }
    }
}

ResultCode playSoundSlot(int row) {
    if (row < 0 || row >= slotCount || soundSystem.sourceBuffers[row] == nullptr ||
        soundSystem.voiceBuffers[row] == nullptr) {
        return resultFailed;
    }
    IDirectSoundBuffer* voice = soundSystem.voiceBuffers[row][soundSystem.nextVoice[row]];
    if (voice != nullptr && !soundSystem.muted) {
        // The ninth sound of a slot restarts the oldest of its eight copies.
        voice->Stop();
        voice->SetPan(DSBPAN_CENTER);
        voice->SetCurrentPosition(0);
        voice->Play(0, 0, 0);
    }
    soundSystem.nextVoice[row] = (soundSystem.nextVoice[row] + 1) % voicesPerSlot;
    return resultOk;
}

void releaseSound() {
    for (int slot = 0; slot < slotCount; ++slot) {
        releaseSlot(slot);
    }
    if (soundSystem.device != nullptr) {
        soundSystem.device->Release();
        soundSystem.device = nullptr;
    }
    if (soundSystem.comInitialised) {
        CoUninitialize();
        soundSystem.comInitialised = false;
    }
}

bool soundDeviceReady() {
    return soundSystem.device != nullptr;
}

} // namespace kokurin
