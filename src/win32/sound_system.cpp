// The sound system: DirectSound device and slots of source buffers with their playing copies.
#include "win32/sound_system.h"

#include <mmsystem.h>
#include <objbase.h>

#include <dsound.h>

#include "platform/platform.h"
#include "sound/note_scheduler.h"

namespace kokurin {

namespace {

constexpr int voicesPerSlot = 8;
constexpr int slotCount = scheduleRowCount;

struct SoundSystem {
    IDirectSound8* device;
    IDirectSoundBuffer* sourceBuffers[slotCount];
    // Each a heap array of voicesPerSlot copies of the slot's source buffer.
    IDirectSoundBuffer** voiceBuffers[slotCount];
    int nextVoice[slotCount];
    // CoInitialize ran, so CoUninitialize is owed.
    bool comInitialised;
};

SoundSystem soundSystem = {};

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

ResultCode playSoundSlot(int row) {
    if (row < 0 || row >= slotCount || soundSystem.sourceBuffers[row] == nullptr ||
        soundSystem.voiceBuffers[row] == nullptr) {
        return resultFailed;
    }
    IDirectSoundBuffer* voice = soundSystem.voiceBuffers[row][soundSystem.nextVoice[row]];
    if (voice != nullptr) {
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
        if (soundSystem.sourceBuffers[slot] == nullptr) {
            continue;
        }
        if (soundSystem.voiceBuffers[slot] != nullptr) {
            for (int voice = 0; voice < voicesPerSlot; ++voice) {
                IDirectSoundBuffer*& copy = soundSystem.voiceBuffers[slot][voice];
                if (copy != nullptr) {
                    copy->Release();
                    copy = nullptr;
                }
            }
        }
        soundSystem.sourceBuffers[slot]->Release();
        soundSystem.sourceBuffers[slot] = nullptr;
        delete[] soundSystem.voiceBuffers[slot];
        soundSystem.voiceBuffers[slot] = nullptr;
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
