// The sounds of the match on screen when frames may be stepped again: a frame stepped again
// after a rollback plays only what its earlier stepping did not (the other player's move, heard
// as soon as it is known), never what it played already; a sound played for a prediction that
// did not come true cannot be taken back, and is simply not played again.
#pragma once

#include <cstdint>

#include "match/match_listener.h"

namespace kokurin::net {

class ShownSounds : public MatchListener {
  public:
    // Frames that may be stepped again: more than a player may run ahead of the server's
    // streams.
    static constexpr std::uint32_t frameSlots = 128;

    // Sounds go on to `out` (the game's sound schedule, a test's log); nothing else does.
    explicit ShownSounds(MatchListener& out) : out_(out) {}

    // Before each step of the shown match: the frame stepped (from 0) and whether it was stepped
    // before (a rollback steps it again).
    void beginFrame(std::uint32_t frame, bool again);
    void sound(const SoundCue& cue) override;

    // Sounds played for the first time while a frame was stepped again, and sounds held back
    // because the frame's earlier stepping had played them.
    std::uint32_t playedLate() const { return playedLate_; }
    std::uint32_t heldBack() const { return heldBack_; }

  private:
    static constexpr int cuesPerFrame = 16;
    struct Frame {
        std::uint32_t frame = 0;
        int count = 0;
        std::uint32_t cues[cuesPerFrame] = {};
    };

    MatchListener& out_;
    Frame frames_[frameSlots];
    Frame* current_ = nullptr;
    // The frame's sounds from its earlier stepping, crossed off as they come again.
    Frame earlier_;
    bool again_ = false;
    std::uint32_t playedLate_ = 0;
    std::uint32_t heldBack_ = 0;
};

// A cue's identity: its kind and every field that changes what is heard.
std::uint32_t soundCueDigest(const SoundCue& cue);

} // namespace kokurin::net
