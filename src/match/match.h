// A match as a value: its whole state in one object (the rules' record, its own generator, the
// rotation count, the match keys' hold counters, the phase with its frame counters, the cleared
// tallies), stepped one frame at a time by a frame's input. It draws nothing and calls no
// platform: what a frame did is reported to the listener passed to the step, and the screens
// draw the match from its read-only view. A copy is a snapshot; the hash is the replay's.
#pragma once

#include <cstdint>

#include "cpu/computer_turn.h"
#include "cpu/swap_evaluation.h"
#include "input/match_input.h"
#include "match/match_listener.h"
#include "match/match_start.h"
#include "rng/sfmt19937.h"
#include "rules/match_state.h"
#include "rules/strike_damage.h"

namespace kokurin {

// Where a match stands between two frames: what its next frame shows.
enum class MatchPhase : std::uint8_t {
    // A human's turn: the cursor and the selection.
    HumanTurn,
    // The computer's turn: its cursor and its mark.
    ComputerTurn,
    // The cascade's pauses: the holes of a clearing, then the board fallen and refilled.
    CascadeHoles,
    CascadeRefilled,
    // The pause after an encounter of the clash, and the one before the strikes.
    ClashPause,
    DamagePause,
    // One struck block: ten frames, the first flashed red.
    Strike,
    // The bare frame between turns: nothing is drawn.
    Between,
    // The winner screen.
    Winner,
    // The match has returned (its last frame may still be drawn: see leavesMatchScreen).
    Over,
};

// How the match went, as the replay says it.
enum class MatchOutcome : std::uint8_t { Playing, FirstWon, SecondWon, Left };

// Where a match taken up from a position begins: the mover's turn; the mover's turn played by
// the computer whoever sits in the seat (a tool's "what would it do"); or the clash of the
// queues as they stand (after a turn's cascade).
enum class MatchEntry : std::uint8_t { TurnStart, ComputerTurn, Clash };

// Element counts cleared by each player in the match, for the winner's jingle.
struct ClearedTally {
    int counts[2][Water + 1] = {};
};

// The element a player cleared most of (ties to the lower; earth before any).
Element strongestElement(const ClearedTally& tally, int player);

class Match {
  public:
    // A match from a valid start (validMatchStart): the board is filled from the start's
    // generator. Nothing of the first frame has happened yet: begin() runs it. Tools may seat a
    // personality in the first seat too (the game never does).
    explicit Match(const MatchStart& start, std::int32_t firstSeatType = 0);
    // A match taken up from a position of the rules' record (a puzzle, a test of one turn): the
    // generator and rotation count given, the match keys held as given; begin() enters it at
    // `entry` (a match's own beginning is sounded only from a turn's start).
    static Match fromPosition(const MatchState& state, const Sfmt19937& random,
                              std::int32_t rotation, std::uint32_t keyHolds, MatchEntry entry);

    // The logic before the first frame is shown (the first turn's start and, for a human, its
    // first frame). Once, right after construction.
    void begin(MatchListener& listener);
    // One frame: the input read after the last frame was shown, then the logic up to the next
    // frame to show (or the match's end).
    void step(const FrameInput& input, MatchListener& listener);

    bool over() const { return phase_ == MatchPhase::Over; }
    MatchOutcome outcome() const;
    // Steps taken: the frames of input the match has read.
    std::uint32_t frame() const { return frame_; }
    // The replay's state hash of the match as it stands.
    std::uint32_t hash() const;

    // The read-only view the screens draw from.
    const MatchState& state() const { return state_; }
    MatchPhase phase() const { return phase_; }
    // The human's selection (HumanTurn).
    bool selected() const { return selected_; }
    int selectedCol() const { return selectedCol_; }
    int selectedRow() const { return selectedRow_; }
    // The computer's turn record: its mark (ComputerTurn).
    const ComputerTurn& computerTurn() const { return turn_; }
    // The frame of the struck block being shown (Strike: 0 flashes).
    int strikeFrame() const { return strikeFrame_; }
    // Over: whether the match screen is drawn once more, under what the next screen draws (the
    // winner screen left with SPACE or a pick; kept: mixed-frame).
    bool leavesMatchScreen() const { return leavesMatchScreen_; }

    // The elements each player has cleared so far.
    const ClearedTally& tally() const { return tally_; }

    // What carries on to the series' next match.
    const Sfmt19937& random() const { return random_; }
    std::int32_t rotation() const { return rotation_; }
    // The match keys' hold counters, as a replay's start stores them.
    std::uint32_t keyHolds() const { return keyHoldsOfCounters(keys_); }

  private:
    Match() = default;
    void setKeyHolds(std::uint32_t keyHolds);
    bool pressed(int bit) const { return keys_[bit] == 1; }

    void beginTurn();
    void beginComputerTurn();
    void humanFrame();
    void humanTurnEnded();
    void computerFrame();
    void computerExchanged();
    void computerTurnEnded();
    void startCascade();
    void clearStep();
    void clashSteps();
    void afterClashSteps();
    void nextStrike();
    void clashEnded();
    void enterWinner();
    void winnerFrame();
    void finish(bool leavesMatchScreen);
    void sound(SoundCue::Kind kind);

    MatchState state_;
    Sfmt19937 random_;
    std::int32_t rotation_ = 0;
    std::int32_t keys_[matchKeyCount] = {};
    // This frame's pointer pick (-1: none).
    int pick_ = -1;
    MatchPhase phase_ = MatchPhase::Between;
    std::uint32_t frame_ = 0;
    bool begun_ = false;
    MatchEntry entry_ = MatchEntry::TurnStart;

    bool selected_ = false;
    int selectedCol_ = 0;
    int selectedRow_ = 0;

    ComputerTurn turn_;
    SwapOutcome scratch_;

    // Frames left in the current pause (the cascade's, the clash's).
    int pauseLeft_ = 0;
    int cascadeStep_ = 0;
    // Elements of the mover's queue already heard.
    int heard_ = 0;
    StrikeDamage damage_;
    int strikeFrame_ = 0;
    ClearedTally tally_;
    bool leavesMatchScreen_ = false;

    // Valid during begin() and step() only.
    MatchListener* listener_ = nullptr;
};

} // namespace kokurin
