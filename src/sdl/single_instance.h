// One copy of the game at a time: a lock file in the user's runtime folder, locked for the life
// of the process. The lock, not the file, is what counts, so a file left by a crashed run never
// blocks a start.
#pragma once

#include <string>

namespace kokurin {
namespace sdl {

// The lock file: kokurin.lock in $XDG_RUNTIME_DIR, else kokurin-<user>.lock in the temporary
// folder.
std::string lockFilePath();
// Locks the file at path (making it if need be) until the process ends; false when another
// process holds the lock. A file that cannot be opened at all does not stop the game.
bool lockForLife(const std::string& path);

} // namespace sdl
} // namespace kokurin
