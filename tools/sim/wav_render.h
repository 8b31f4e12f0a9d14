// kokurin-sim's sound: the sounds a match played, rendered offline at 60 frames a second through
// the game's own synthesis and mixer, into a WAV file.
#pragma once

#include <string>
#include <vector>

#include "headless/headless.h"

namespace kokurin {

// The sample at which the sound of a poll starts: 735 samples a frame at 44100 Hz.
constexpr long samplesPerPoll = 44100 / 60;

// Renders every played sound from its poll, following the mute's changes, until `polls` and the
// last sound have ended; writes a 16-bit mono WAV. False with a reason when the file cannot be
// written.
bool writeMatchSound(const std::string& path, const std::vector<headless::PlayedSound>& played,
                     const std::vector<headless::MuteChange>& mutes, long polls,
                     std::string& error);

} // namespace kokurin
