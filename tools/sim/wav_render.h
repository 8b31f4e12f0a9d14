// kokurin-sim's sound: the sounds a match played, rendered offline at 60 frames a second, into
// a WAV file.
#pragma once

#include <string>
#include <vector>

#include "headless/headless.h"

namespace kokurin {

// Renders every played sound from its poll, following the mute's changes, until `polls` and the
// last sound have ended; writes a 16-bit mono WAV. False with a reason when the file cannot be
// written.
bool writeMatchSound(const std::string& path, const std::vector<headless::PlayedSound>& played,
                     const std::vector<headless::MuteChange>& mutes, long polls,
                     std::string& error);

} // namespace kokurin
