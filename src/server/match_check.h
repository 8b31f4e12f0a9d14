// The server's own play of a match: the two seats' streams stepped on a match value to the frame
// the match ended, giving the replay a client records and the state hashes that say which
// client's game parted. Nothing is drawn and nothing is shared, so checks run on any thread.
#pragma once

#include <cstdint>
#include <vector>

#include "replay/replay_file.h"

namespace kokurin {

// Plays at most `frames` frames of the streams (stopping at the winner screen as a client
// does) and returns the match's replay.
Replay replayStreams(const MatchStart& start, const std::vector<FrameInput>& first,
                     const std::vector<FrameInput>& second, std::uint32_t frames);

} // namespace kokurin
