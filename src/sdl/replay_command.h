// `kokurin --replay FILE [--speed N]`: the SDL game watches one replay file and exits, 0 when it
// played as it was recorded, 3 when it could not be read or parted from the game.
#pragma once

namespace kokurin {
namespace sdl {

// Whether the arguments ask for a replay; then runs it and sets the exit code. False leaves
// exitCode alone. Bad arguments are reported and exit with 2.
bool runReplayCommand(int argc, char* argv[], int& exitCode);
// How the watched replay ended (called by replayWatched).
void noteReplayWatched(bool ok);

} // namespace sdl
} // namespace kokurin
