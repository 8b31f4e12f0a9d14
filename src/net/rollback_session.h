// The frames of an online match as a player plays them: at once, on the player's own input, with
// the other seat's input predicted until the server's stream brings it. Two timelines: the
// confirmed match steps only on what the server's streams hold (its hashes are sent, its frames
// recorded, its events observed: exactly what the server and every spectator play), and the
// shown match runs ahead of it on the predictions. When the other seat's real input of a frame
// turns out to differ from the prediction where the match reads it, the shown match becomes a
// copy of the confirmed one, which stands right before that frame, and steps forward again to
// where it was, without being drawn in between: the confirmed match is the one snapshot kept.
// A spectator plays the confirmed frames alone, a few frames behind the streams so that they
// come smoothly.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "input/input_route.h"
#include "match/match.h"
#include "net/input_reads.h"
#include "net/local_seat_input.h"
#include "net/online_client.h"
#include "net/shown_sounds.h"
#include "replay/match_recording.h"

namespace kokurin::net {

// How far a player runs ahead of the confirmed frames before waiting: the round trip in frames
// and 20 to spare, within 40 .. 120 frames.
std::uint32_t framesAheadBound(std::uint32_t roundTripMs);

struct RollbackStats {
    // Mispredictions found, and the frames stepped again for them.
    std::uint32_t rollbacks = 0;
    std::uint64_t framesStepped = 0;
    // The longest rollback: its frames, and its time (copy and steps) in microseconds.
    std::uint32_t longestFrames = 0;
    std::uint32_t longestMicros = 0;
    // Frames waited at the bound, and single frames held to let the other player catch up.
    std::uint32_t boundWaits = 0;
    std::uint32_t catchUpHolds = 0;
};

class RollbackSession : public FrameInputSource {
  public:
    // A spectator's frames stay this far behind the streams.
    static constexpr std::uint32_t spectatorDelay = 6;
    // Frames of the shown timeline whose inputs are remembered: more than the largest bound.
    static constexpr std::uint32_t ringFrames = ShownSounds::frameSlots;

    // The client must be Playing (its Start received); clock gives milliseconds. Events of the
    // confirmed match go to observer; sounds of the shown match to sounds (a spectator's, of the
    // confirmed match). inputDelay: frames the local input is sent ahead of the frame it plays
    // in (0: played at once).
    RollbackSession(OnlineClient& client, const MatchStart& start, LocalSeatInput& local,
                    std::function<std::uint32_t()> clock, MatchObserver& observer,
                    MatchListener& sounds, int inputDelay = 0);
    RollbackSession(const RollbackSession&) = delete;
    RollbackSession& operator=(const RollbackSession&) = delete;

    // The first frame's logic of both timelines. Once, before the first frame.
    void begin();
    // Reads the client, confirms what arrived (rolling back on a misprediction) and readies the
    // shown match's next frame: Ready (then stepShown), Pending (at the bound, or the other
    // player's inputs running late), or End once the confirmed match is decided, the server
    // ended it or the connection failed for good.
    InputState nextInput(const bool localDown[keyboardKeys], FrameInput& input) override;
    // Steps the shown match by the frame readied by the last Ready.
    void stepShown();
    int framesPerShownFrame() const override;
    bool allowsModalBoxes() const override { return false; }

    // After the frames stopped (a tool's limit): confirms the frames shown so far as the streams
    // bring them, until all are, the match is decided, the server ends it or timeoutMs passes.
    void settle(std::uint32_t timeoutMs);

    const Match& shown() const { return *shown_; }
    const Match& confirmed() const { return confirmed_; }
    std::uint32_t shownFrames() const { return shownFrames_; }
    std::uint32_t confirmedFrames() const { return confirmedFrames_; }
    // The confirmed match reached the winner screen or its end.
    bool decided() const;
    // Frames the shown match may run ahead of the confirmed one now.
    std::uint32_t bound() const;
    const RollbackStats& stats() const { return stats_; }
    const ShownSounds& sounds() const { return shownSounds_; }
    // The confirmed match's replay once the match has returned: the server's, byte for byte.
    bool finish(ReplayResult result, Replay& replay) { return recorder_.finish(result, replay); }
    // A testing aid: the hash sent for this frame is made wrong, as a client whose game parted
    // would send it.
    void corruptHashAt(std::uint32_t frame) { corruptAt_ = frame; }

  private:
    // The confirmed events go to the observer; a spectator also hears them.
    class Confirmed : public MatchListener {
      public:
        Confirmed(MatchObserver& observer, MatchListener* sounds)
            : observer_(observer), sounds_(sounds) {}
        void sound(const SoundCue& cue) override;
        void turnStarted(const MatchState& state) override { observer_.turnStarted(state); }
        void swapMade(const MatchState& state, int first, int second) override {
            observer_.swapMade(state, first, second);
        }
        void turnEnded(const MatchState& state, bool computer) override {
            observer_.turnEnded(state, computer);
        }
        void cascadeSettled(const MatchState& state) override { observer_.cascadeSettled(state); }
        void clashEnded(const MatchState& state) override { observer_.clashEnded(state); }
        void winnerScreen(const MatchState& state) override { observer_.winnerScreen(state); }

      private:
        MatchObserver& observer_;
        MatchListener* sounds_;
    };
    // Hands the recorder the input of the frame being confirmed.
    class Given : public FrameInputSource {
      public:
        InputState nextInput(const bool[keyboardKeys], FrameInput& input) override {
            input = next;
            return InputState::Ready;
        }
        FrameInput next;
    };

    bool spectator() const { return seat_ >= 2; }
    void sendLocalInputs(const bool localDown[keyboardKeys], std::uint8_t pick);
    void resendAfterResume();
    // The streams' merged input of the next frame to confirm, and whether the shown match played
    // that frame alike.
    FrameInput streamsInput() const;
    bool shownAgrees() const;
    // Steps the confirmed match by the streams' next frame.
    void confirmOne();
    // The shown match copied from the confirmed one and stepped again to where it was.
    void rollBack();
    // This seat's input for a frame: the server's stream, else what was sent; false if neither
    // holds it yet (a resumed match's frames still on their way).
    bool ownInput(std::uint32_t frame, FrameInput& input) const;
    // The merged input of a shown frame from the match as it stands.
    bool shownInput(std::uint32_t frame, const Match& at, FrameInput& merged) const;
    InputState wait();

    OnlineClient& client_;
    LocalSeatInput& local_;
    std::function<std::uint32_t()> clock_;
    std::uint8_t seat_;
    int delay_;
    ShownSounds shownSounds_;
    Confirmed confirmedListener_;
    Match confirmed_;
    Match speculative_;
    // The speculative match for a player, the confirmed one for a spectator.
    Match* shown_;
    Given given_;
    MatchRecorder recorder_;
    std::uint32_t confirmedFrames_ = 0;
    // The input the confirmed match last stepped on.
    FrameInput confirmedInput_;
    std::uint32_t shownFrames_ = 0;
    // The inputs the shown match stepped on, by frame, and the one readied for its next step.
    FrameInput used_[ringFrames];
    FrameInput ready_;
    // This seat's frames sent (from firstSent_ on; below it the server held them at the start).
    std::vector<FrameInput> sent_;
    std::uint32_t firstSent_ = 0;
    std::uint32_t nextSend_ = 0;
    std::uint32_t starts_ = 0;
    bool heldDown_[keyboardKeys] = {};
    // Picks made while the frames are held, one a frame sent (a click on each of two cells
    // between two frames is an exchange, not the second click alone); a few at most.
    std::uint8_t heldPicks_[4] = {};
    int heldPickCount_ = 0;
    // A spectator is playing from its buffer (false: filling it).
    bool flowing_ = false;
    std::uint32_t sinceHold_ = 0;
    std::uint32_t corruptAt_ = 0;
    RollbackStats stats_;
};

} // namespace kokurin::net
