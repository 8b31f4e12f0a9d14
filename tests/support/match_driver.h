// The screens' tests drive a match the way the game does (draw, pump, step on the headless front
// end) from a position they build: a whole match, one turn or one clash. The position's generator
// and rotation count are the tests' own series, carried from one driven match to the next; the
// observers the tests install are handed to the match they drive.
#pragma once

#include <vector>

#include "app/frame_pump.h"
#include "cpu/think_observer.h"
#include "cpu/turn_setup.h"
#include "match/match.h"
#include "platform/platform.h"
#include "rules/board.h"
#include "screens/hint.h"
#include "screens/match_loop.h"
#include "screens/match_view.h"
#include "screens/title_screen.h"

namespace testing_support {

using namespace kokurin;

// The generator and the rotation count the tests' matches draw from.
inline MatchSeries& testSeries() {
    static MatchSeries series;
    return series;
}
inline Sfmt19937& testRandom() {
    return testSeries().random;
}
inline std::int32_t& testRotation() {
    return testSeries().rotation;
}

// The observers the next driven match (or title screen) reports to; tests' recorders install
// themselves here for their lifetime.
inline MatchObserver*& testObserver() {
    static MatchObserver* observer = nullptr;
    return observer;
}
inline ThinkObserver*& testThinkObserver() {
    static ThinkObserver* observer = nullptr;
    return observer;
}
// The candidates of the last computer turn driven (its set-up's shuffle).
inline std::vector<int>& lastCandidates() {
    static std::vector<int> candidates;
    return candidates;
}

// What the last driven match had cleared.
inline ClearedTally& lastTally() {
    static ClearedTally tally;
    return tally;
}

enum class DriveUntil { TurnEnd, ClashEnd, MatchEnd };

// Forwards what a driven stretch of a match reports: a turn's events strictly inside it (as the
// turn's own loop reported them), none of a clash's, every one of a whole match.
class DriveListener : public ScreenMatchListener {
  public:
    DriveListener(DriveUntil until, MatchObserver* observer, ThinkObserver* think)
        : ScreenMatchListener(until == DriveUntil::MatchEnd ? observer : nullptr),
          until_(until), observer_(observer), think_(think) {}

    bool done = false;
    MatchState captured;

    void hintAsked(const MatchState& state) override {
        showHint(state, until_ == DriveUntil::ClashEnd ? nullptr : observer_);
    }
    void swapMade(const MatchState& state, int first, int second) override {
        if (until_ == DriveUntil::TurnEnd && observer_ != nullptr) {
            observer_->swapMade(state, first, second);
        }
        ScreenMatchListener::swapMade(state, first, second);
    }
    void turnEnded(const MatchState& state, bool computer) override {
        ScreenMatchListener::turnEnded(state, computer);
        stopAt(DriveUntil::TurnEnd, state);
    }
    void clashEnded(const MatchState& state) override {
        ScreenMatchListener::clashEnded(state);
        stopAt(DriveUntil::ClashEnd, state);
    }
    void turnSetUp(const MatchState& state, const ComputerTurn& turn) override {
        lastCandidates().assign(turn.candidates.codes, turn.candidates.codes + turn.candidates.size);
        if (think_ != nullptr) {
            think_->turnSetUp(state, turn);
        }
    }
    void candidateEvaluated(const ComputerTurn& turn, int position, const SwapOutcome& outcome,
                            int score) override {
        if (think_ != nullptr) {
            think_->candidateEvaluated(turn, position, outcome, score);
        }
    }

  private:
    void stopAt(DriveUntil until, const MatchState& state) {
        if (until_ == until && !done) {
            done = true;
            captured = state;
        }
    }

    DriveUntil until_;
    MatchObserver* observer_;
    ThinkObserver* think_;
};

// Drives a match taken up from `state` at `entry` until `until` (or its end); the position is
// written back as it stood there. True when the frames ended (the game closing).
inline bool driveMatch(MatchState& state, MatchEntry entry, DriveUntil until) {
    DriveListener listener(until, testObserver(), testThinkObserver());
    Match match = Match::fromPosition(state, testRandom(), testRotation(), matchKeyHoldsNow(),
                                      entry);
    bool quit = false;
    match.begin(listener);
    while (!listener.done) {
        drawMatch(match);
        if (match.over()) {
            break;
        }
        if (pumpFrame()) {
            quit = true;
            break;
        }
        match.step(installedFramePump()->lastInput(), listener);
    }
    state = listener.done ? listener.captured : match.state();
    lastTally() = match.tally();
    testRandom() = match.random();
    testRotation() = match.rotation();
    return quit;
}

// One human turn of state.currentPlayer; true when the application must quit.
inline bool humanTurn(MatchState& state) {
    return driveMatch(state, MatchEntry::TurnStart, DriveUntil::TurnEnd);
}
// One whole computer turn; true when the application must quit.
inline bool playComputerTurn(MatchState& state) {
    return driveMatch(state, MatchEntry::ComputerTurn, DriveUntil::TurnEnd);
}
// The clash of the queues as they stand; true when the application must quit.
inline bool resolveClash(MatchState& state) {
    return driveMatch(state, MatchEntry::Clash, DriveUntil::ClashEnd);
}
// A whole match from the mover's turn; true when the application must quit.
inline bool runMatch(MatchState& state) {
    return driveMatch(state, MatchEntry::TurnStart, DriveUntil::MatchEnd);
}

// The title screen on the tests' series, observed by the tests' observer.
inline bool runTitleScreen() {
    PlaySession session;
    session.series = testSeries();
    session.observer = testObserver();
    const bool quit = kokurin::runTitleScreen(session);
    testSeries() = session.series;
    return quit;
}

// A new match's fill from the tests' generator.
inline void fillBoard(MatchState& state) {
    kokurin::fillBoard(state, testRandom());
}
inline void refillBoard(MatchState& state) {
    kokurin::refillBoard(state, testRandom());
}

// A fresh match against `opponent` from the tests' series, as the title screen starts one.
inline MatchState freshMatch(int opponent) {
    MatchState state;
    state.opponentType = opponent;
    fillBoard(state);
    return state;
}

} // namespace testing_support
