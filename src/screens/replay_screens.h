// The replay list reached from the title screen, and watching one replay.
#pragma once

#include <cstdint>
#include <string>

#include "replay/replay_file.h"

namespace kokurin {

struct Settings;

// The saved replays, newest first; SPACE (or a pick of the selected row) watches one. An online
// match's row names the opponent, the player being playerName. True when the game is closing.
bool runReplayList(const std::string& playerName = std::string());
// Watches a replay at the given speed (1, 2, 4 or 8) from the given frame, with the watcher's
// keys; a replay that parts from the game stops with a box naming the frame. True when the game
// is closing.
bool watchReplay(const Replay& replay, int speed, std::uint32_t startFrame = 0);

} // namespace kokurin
