// One tournament match: which entries meet for a match number, the match stepped as a value with
// either seat a personality or the scripted novice, and its CSV row.
#include "input/frame_input.h"
#include "match/match.h"
#include "match/match_listener.h"
#include "novice_seat.h"
#include "tournament.h"

namespace kokurin {

namespace {

// Hands turn starts to the novice (with the frames played so far), notes the winner screen
// (where the match stops: the screen itself waits for a key nobody presses), and passes every
// event on to a watcher (the tests).
class TournamentListener : public MatchListener {
  public:
    TournamentListener(const Match& match, NoviceSeat* novice, MatchObserver* watcher)
        : match_(match), novice_(novice), watcher_(watcher != nullptr ? watcher : &nobody_) {}

    bool winnerReached() const { return winnerReached_; }

    void turnStarted(const MatchState& state) override {
        if (novice_ != nullptr) {
            novice_->turnStarted(state, static_cast<long>(match_.frame()));
        }
        watcher_->turnStarted(state);
    }
    void swapMade(const MatchState& state, int firstCell, int secondCell) override {
        watcher_->swapMade(state, firstCell, secondCell);
    }
    void turnEnded(const MatchState& state, bool computer) override {
        watcher_->turnEnded(state, computer);
    }
    void cascadeSettled(const MatchState& state) override { watcher_->cascadeSettled(state); }
    void clashEnded(const MatchState& state) override { watcher_->clashEnded(state); }
    void winnerScreen(const MatchState& state) override {
        winnerReached_ = true;
        watcher_->winnerScreen(state);
    }

  private:
    MatchObserver nobody_;
    const Match& match_;
    NoviceSeat* novice_;
    MatchObserver* watcher_;
    bool winnerReached_ = false;
};

} // namespace

long matchesPerSeed(const TournamentOptions& options) {
    const long n = static_cast<long>(options.entries.size());
    return n * (n - 1);
}

TournamentMatch tournamentMatchAt(const TournamentOptions& options, long index) {
    const long perSeed = matchesPerSeed(options);
    const long n = static_cast<long>(options.entries.size());
    const long pair = index % perSeed;
    const long first = pair / (n - 1);
    const long other = pair % (n - 1);
    TournamentMatch match;
    // Unsigned arithmetic wraps past 2^32 - 1 back to 0.
    match.seed = options.baseSeed + static_cast<std::uint32_t>(index / perSeed);
    match.first = options.entries[static_cast<std::size_t>(first)];
    match.second = options.entries[static_cast<std::size_t>(other < first ? other : other + 1)];
    return match;
}

MatchResult playTournamentMatch(const TournamentMatch& match, long frameLimit,
                                MatchObserver* watcher) {
    // As a fresh kokurin-sim process starts: the turn count that rotates entry 8 from zero, the
    // generator seeded where the game seeds it from the clock. A human seat is entry 0 on either
    // side. Everything the match reads is its own, so matches play on any thread.
    Match played(freshMatchStart(match.second, match.seed), match.first);
    NoviceSeat novice(match.first == noviceEntry ? 0 : 1);
    const bool withNovice = match.first == noviceEntry || match.second == noviceEntry;
    TournamentListener listener(played, withNovice ? &novice : nullptr, watcher);
    played.begin(listener);
    // Each frame's input is the novice's keys at that frame, as the game's devices read them;
    // the match stops at the winner screen's first frame or at the limit.
    while (!played.over() && !listener.winnerReached() &&
           static_cast<long>(played.frame()) < frameLimit) {
        bool down[keyboardKeys] = {};
        if (withNovice) {
            novice.keysDown(static_cast<long>(played.frame()) + 1, down);
        }
        played.step(frameInputOfKeys(down), listener);
    }
    MatchResult result;
    result.match = match;
    if (listener.winnerReached()) {
        result.winner = played.state().hp[0] > 0.0f ? 1 : 2;
    }
    result.frames = static_cast<long>(played.frame());
    return result;
}

std::string resultRow(const MatchResult& result) {
    const std::string winner = result.winner == 0 ? "draw" : std::to_string(result.winner);
    return std::to_string(result.match.seed) + "," + std::to_string(result.match.first) + "," +
           std::to_string(result.match.second) + "," + winner + "," +
           std::to_string(result.frames) + "\n";
}

} // namespace kokurin
