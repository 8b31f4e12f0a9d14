// `kokurin --replay FILE [--speed N]`: the SDL game watches one replay file and exits, 0 when it
// played as it was recorded, 3 when it could not be read or parted from the game.
#pragma once

#include <string>

namespace kokurin {
namespace sdl {

// Watches the replay file at speed (1, 2, 4 or 8) and gives the exit code.
int runReplayCommand(const std::string& file, int speed);
// How the watched replay ended (called by replayWatched).
void noteReplayWatched(bool ok);

} // namespace sdl
} // namespace kokurin
