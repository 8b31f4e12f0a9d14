// What the lobby needs of the game itself, behind one seam: the start of a fresh match and the
// server's own re-play of a finished one. The lobby never runs the game core; the server gives
// it a referee that does (worker_referee.h), and tests give it one that needs no core at all.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "input/match_input.h"
#include "match/match_start.h"
#include "replay/replay_file.h"

namespace kokurin {

// A finished match as the lobby hands it over: its start, both seats' streams and the frames
// to play at most.
struct MatchToCheck {
    MatchStart start;
    std::vector<FrameInput> streams[2];
    std::uint32_t frames = 0;
};

class MatchReferee {
  public:
    virtual ~MatchReferee() = default;
    // The generator state and holds a match seeded with `seed` begins from (as a replay holds
    // it). Called on the lobby's thread; returns at once.
    virtual MatchStart makeStart(std::uint32_t seed) = 0;
    // Re-plays the match away from the lobby. `done` is called later with the replay, on the
    // lobby's own thread and never from inside check() itself; every check is completed once.
    virtual void check(MatchToCheck match, std::function<void(Replay)> done) = 0;
};

} // namespace kokurin
