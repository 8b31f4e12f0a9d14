// One tournament match: which entries meet for a match number, the match played on the headless
// front end with either seat a personality or the scripted novice, and its CSV row.
#include "headless/headless.h"
#include "match/match.h"
#include "match/match_observer.h"
#include "novice_seat.h"
#include "screens/match_loop.h"
#include "tournament.h"

namespace kokurin {

namespace {

// Hands turn starts to the novice, stops the match at the winner screen (whose first pump then
// reports quit: the screen itself waits for a key nobody presses), and passes every event on to
// a watcher (the tests).
class TournamentObserver : public MatchObserver {
  public:
    TournamentObserver(NoviceSeat* novice, MatchObserver* watcher)
        : novice_(novice), watcher_(watcher != nullptr ? watcher : &nobody_) {}

    bool winnerReached() const { return winnerReached_; }

    void turnStarted(const MatchState& state) override {
        if (novice_ != nullptr) {
            novice_->turnStarted(state, headless::pollCount());
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
    void hintShown(const MatchState& state, const char* text) override {
        watcher_->hintShown(state, text);
    }
    void winnerScreen(const MatchState& state) override {
        winnerReached_ = true;
        headless::setPollLimit(headless::pollCount());
        watcher_->winnerScreen(state);
    }

  private:
    MatchObserver nobody_;
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
    headless::reset();
    headless::setRecording(false);
    headless::setMessageHandler([](const char*) {});
    NoviceSeat novice(match.first == noviceEntry ? 0 : 1);
    const bool withNovice = match.first == noviceEntry || match.second == noviceEntry;
    headless::setKeySource(withNovice ? &novice : nullptr);
    headless::setPollLimit(frameLimit);
    TournamentObserver observer(withNovice ? &novice : nullptr, watcher);

    // As a fresh kokurin-sim process starts: the turn count that rotates entry 8 from zero, the
    // generator seeded where the game seeds it from the clock. A human seat is entry 0 on either
    // side.
    Match played(freshMatchStart(match.second, match.seed), match.first);
    runMatch(played, &observer);
    const MatchState& state = played.state();

    headless::setKeySource(nullptr);
    MatchResult result;
    result.match = match;
    if (observer.winnerReached()) {
        result.winner = state.hp[0] > 0.0f ? 1 : 2;
    }
    result.frames = headless::pollCount();
    return result;
}

std::string resultRow(const MatchResult& result) {
    const std::string winner = result.winner == 0 ? "draw" : std::to_string(result.winner);
    return std::to_string(result.match.seed) + "," + std::to_string(result.match.first) + "," +
           std::to_string(result.match.second) + "," + winner + "," +
           std::to_string(result.frames) + "\n";
}

} // namespace kokurin
