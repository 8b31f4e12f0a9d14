// Recording and playing back a match's frames. The recorder sits in front of the source the
// match would read anyway and keeps what it hands on; the player hands on what was kept and
// checks the state hashes on the way.
#pragma once

#include <cstdint>
#include <vector>

#include "input/input_route.h"
#include "match/match.h"
#include "replay/replay_file.h"

namespace kokurin {

// Records the frames of a match until it is decided: the frames of the winner screen belong to
// nobody's match and are not kept (a replay ends where the match did).
class MatchRecorder : public FrameInputSource {
  public:
    MatchRecorder(FrameInputSource& inner, const Match& match, const MatchStart& start);

    InputState nextInput(const bool localDown[keyboardKeys], FrameInput& input) override;
    // Recording changes nothing of what is shown: the inner source's notices, speed and
    // overlays are its own.
    bool drawWhileHeld(long held) override { return inner_.drawWhileHeld(held); }
    int framesPerShownFrame() const override { return inner_.framesPerShownFrame(); }
    void drawOverFrame() override { inner_.drawOverFrame(); }
    bool allowsModalBoxes() const override { return inner_.allowsModalBoxes(); }
    // The whole replay once the match has returned; false when the match ran past what a
    // replay holds.
    bool finish(ReplayResult result, Replay& replay);

  private:
    FrameInputSource& inner_;
    const Match& match_;
    Replay replay_;
    bool overflowed_ = false;
};

class ReplayPlayer : public FrameInputSource {
  public:
    ReplayPlayer(const Replay& replay, const Match& match);

    // Goes on from frame `frame` of the recording: the match it hands frames to must have been
    // brought there (seekReplay).
    void seekTo(std::uint32_t frame) { next_ = frame; }
    // Marks the frame where a hash disagreed while the match was brought somewhere.
    void divergedAt(std::uint32_t frame) { divergedAt_ = frame; }
    const Replay& replay() const { return replay_; }

    InputState nextInput(const bool localDown[keyboardKeys], FrameInput& input) override;

    // Whether a hash disagreed (the player then ends the frames).
    bool diverged() const { return divergedAt_ != 0; }
    // Frames handed on so far.
    std::uint32_t framesPlayed() const { return next_; }
    std::uint32_t frameCount() const { return static_cast<std::uint32_t>(replay_.inputs.size()); }
    // After the match has returned: whether it played as recorded, and if not why, naming the
    // frame where it parted.
    bool finish(ReplayResult result, std::string& error) const;

  private:
    const Replay& replay_;
    const Match& match_;
    std::uint32_t next_ = 0;
    // The frame whose hash disagreed (0: none so far).
    std::uint32_t divergedAt_ = 0;
};

// Snapshots of a replay's match every so many frames, taken as it is watched or sought: jumping to
// any frame copies the nearest snapshot before it and steps on from there without drawing, so a
// jump anywhere in a long match takes a fraction of a frame.
class ReplaySnapshots {
  public:
    static constexpr std::uint32_t interval = 300;

    // Keeps the match (which has just played `frame` frames) when it stands on the grid and no
    // snapshot of that frame is kept yet.
    void offer(const Match& match, std::uint32_t frame);
    // Brings `match` to frame `target` (at most the recording's last frame) from the nearest
    // snapshot at or before it, checking the recorded hashes on the way; the frame reached, or
    // (diverged set) the first frame whose hash disagreed.
    std::uint32_t seek(const Replay& replay, Match& match, std::uint32_t target, bool& diverged);

  private:
    std::vector<Match> kept_;
};

// How a match that returned ended: its winner, ESC, or the game closing.
ReplayResult matchResult(const Match& match, bool quit);

} // namespace kokurin
