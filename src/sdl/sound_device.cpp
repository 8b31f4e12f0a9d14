// openSound and the sound slots on SDL's audio device: the mixer runs on SDL's audio thread,
// and every change to it is made with the device locked.
#include "sdl/sound_device.h"

#include <SDL.h>

#include "platform/platform.h"
#include "sound/sound_mixer.h"

namespace kokurin {
namespace sdl {

namespace {

SDL_AudioDeviceID device = 0;
SoundMixer mixer;

void SDLCALL fillStream(void*, Uint8* stream, int length) {
    mixer.mix(reinterpret_cast<std::int16_t*>(stream), length / 2);
}

// Holds the device's lock for a change to the mixer.
class DeviceLock {
  public:
    DeviceLock() { SDL_LockAudioDevice(device); }
    ~DeviceLock() { SDL_UnlockAudioDevice(device); }
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;
};

} // namespace

void closeSound() {
    if (device == 0) {
        return;
    }
    SDL_CloseAudioDevice(device);
    device = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    // The slots belonged to the device: a device opened later starts with none.
    for (int slot = 1; slot < soundSlots; ++slot) {
        mixer.load(slot, nullptr, 0);
    }
    mixer.setMuted(false);
    mixer.setVolume(100);
}

} // namespace sdl

using namespace sdl;

bool openSound() {
    if (device != 0) {
        return true;
    }
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return false;
    }
    SDL_AudioSpec wanted;
    SDL_zero(wanted);
    wanted.freq = soundSampleRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 1;
    wanted.samples = 1024;
    wanted.callback = fillStream;
    // No changes allowed: SDL converts to whatever the device plays.
    device = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
    if (device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    SDL_PauseAudioDevice(device, 0);
    return true;
}

void loadSoundSlot(int slot, const std::int16_t* samples, int count) {
    if (device == 0) {
        return;
    }
    DeviceLock lock;
    mixer.load(slot, samples, count);
}

ResultCode playSoundSlot(int slot) {
    if (device == 0) {
        return resultFailed;
    }
    DeviceLock lock;
    return mixer.play(slot);
}

void setSoundVolume(int percent) {
    if (device == 0) {
        return;
    }
    DeviceLock lock;
    mixer.setVolume(percent);
}

void setSoundMuted(bool muted) {
    if (device == 0) {
        return;
    }
    DeviceLock lock;
    mixer.setMuted(muted);
}

} // namespace kokurin
