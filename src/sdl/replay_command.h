// `kokurin --replay FILE [--speed N] [--from SECONDS]`: the SDL game watches one replay file and
// exits, 0 when it played as it was recorded, 3 when it could not be read or parted from the
// game.
#pragma once

#include <cstdint>
#include <string>

namespace kokurin {
namespace sdl {

// Watches the replay file at speed (1, 2, 4 or 8) from the frame given and gives the exit code.
int runReplayCommand(const std::string& file, int speed, std::uint32_t fromFrame);
// How the watched replay ended (called by replayWatched).
void noteReplayWatched(bool ok);

} // namespace sdl
} // namespace kokurin
