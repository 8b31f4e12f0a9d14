// The player's saved replays: every match saved when it ends under a name that sorts by date,
// the newest so many kept, and the list the title screen shows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "replay/replay_file.h"

namespace kokurin {

// Names the library writes and accepts: "YYYYMMDD-HHMMSS-NNN.kkr" and other names of letters,
// digits, '-', '_' and '.' ending in ".kkr", at most 80 bytes, never a path.
bool isReplayName(const std::string& name);
// The name for a replay saved now (UTC), made unique among the names given.
std::string newReplayName(std::int64_t unixSeconds, const std::vector<std::string>& taken);

// Saves a match's replay and removes the oldest beyond keep; false (said once on stderr per
// process) when it could not be written.
bool saveMatchReplay(const Replay& replay, int keep);

// One row of the list: what the file says, or why it cannot be watched.
struct ReplayEntry {
    std::string name;
    bool readable = false;
    int opponent = 0;
    ReplayResult result = ReplayResult::Stopped;
    std::uint32_t frames = 0;
    std::string error;
    // An online match's players and verdict (replay_file.h; empty names and none offline).
    std::string names[2];
    ReplayVerdict verdict = ReplayVerdict::None;
    std::uint8_t verdictWinner = replayNoWinner;
};
// Newest first.
std::vector<ReplayEntry> listMatchReplays();
// The replay of that name, or false with a message.
bool loadMatchReplay(const std::string& name, Replay& replay, std::string& error);

} // namespace kokurin
