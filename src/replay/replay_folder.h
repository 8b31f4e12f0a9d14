// Replays as files in one folder, for the front ends that have files: each written through a
// temporary file and a rename, so a failed write never leaves half a replay.
#pragma once

#include <string>
#include <vector>

namespace kokurin {

bool writeReplayFile(const std::string& folder, const std::string& name, const std::string& bytes);
bool readReplayFile(const std::string& folder, const std::string& name, std::size_t maxBytes,
                    std::string& bytes);
// The names of the replay files in the folder (none when it does not exist).
void listReplayFiles(const std::string& folder, std::vector<std::string>& names);
void removeReplayFile(const std::string& folder, const std::string& name);

} // namespace kokurin
