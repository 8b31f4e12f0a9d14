// Plays two recorded seat streams as one match's frames, merged as online clients merge them:
// the server re-plays a match with it to check it and to keep its replay.
#pragma once

#include <cstdint>
#include <vector>

#include "input/input_route.h"
#include "rules/match_state.h"

namespace kokurin::net {

class StreamInputSource : public FrameInputSource {
  public:
    // Plays frames 0 .. frames - 1 (no more than both streams hold) and then ends.
    StreamInputSource(const std::vector<FrameInput>& first, const std::vector<FrameInput>& second,
                      const MatchState& state, std::uint32_t frames);

    InputState nextInput(const bool localDown[keyboardKeys], FrameInput& input) override;
    std::uint32_t framesPlayed() const { return next_; }

  private:
    const std::vector<FrameInput>& first_;
    const std::vector<FrameInput>& second_;
    const MatchState& state_;
    std::uint32_t frames_;
    std::uint32_t next_ = 0;
};

} // namespace kokurin::net
