// The SDL audio device behind the sound slots: mono, 16-bit, soundSampleRate.
#pragma once

namespace kokurin {
namespace sdl {

// Stops and closes the device (a no-op without one).
void closeSound();

} // namespace sdl
} // namespace kokurin
