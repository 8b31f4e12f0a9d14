// Lockstep frames of an online match: the local seat's input goes to the server a few frames
// ahead of when it is played (the input delay), and frame f is played once both seats' inputs
// for f have come back from the server. The game plays ahead of the server instead
// (rollback_session.h); kokurin-sim --lockstep plays this way, to measure one against the other.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "input/input_route.h"
#include "match/match.h"
#include "net/local_seat_input.h"
#include "net/online_client.h"

namespace kokurin::net {

// Frames of input delay for a measured round trip: the trip in frames, the keep-alive's interval
// in frames and two to spare, 36 at most.
int inputDelayForRoundTrip(std::uint32_t roundTripMs);

class LockstepInputSource : public FrameInputSource {
  public:
    // The client must be Playing (its Start received); clock gives milliseconds.
    LockstepInputSource(OnlineClient& client, const Match& match, LocalSeatInput& local,
                        std::function<std::uint32_t()> clock, int inputDelay);

    InputState nextInput(const bool localDown[keyboardKeys], FrameInput& input) override;

    // Frames played so far.
    std::uint32_t framesPlayed() const { return next_; }
    int inputDelay() const { return delay_; }
    // Frames of the current wait (0 when not waiting).
    long heldFrames() const { return held_; }
    // A testing aid: the hash sent for this frame is made wrong, as a client whose game parted
    // would send it.
    void corruptHashAt(std::uint32_t frame) { corruptAt_ = frame; }

  private:
    OnlineClient& client_;
    const Match& match_;
    LocalSeatInput& local_;
    std::function<std::uint32_t()> clock_;
    int delay_;
    std::uint32_t next_ = 0;
    std::uint32_t nextSend_ = 0;
    std::uint32_t corruptAt_ = 0;
    long held_ = 0;
    // The local keys down and the pointer's last pick since the last frame sent (0: none).
    bool heldDown_[keyboardKeys] = {};
    std::uint8_t heldPick_ = 0;
    // Every frame this seat sent, to send again what a dropped connection lost.
    std::vector<FrameInput> sent_;
    std::uint32_t starts_ = 0;
};

} // namespace kokurin::net
