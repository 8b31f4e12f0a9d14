// The headless client: waits for the room's match (the client follows the server to the
// process that holds the room when there are several), plays it through the rollback session
// (or, with --lockstep, the lockstep source; the headless front end never sleeps, so either
// waits on the socket instead), records it, and reports its end to the server.
#include "online_play.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>
#include <vector>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#include "desktop_online/websocket_transport.h"
#include "input/input_route.h"
#include "match/match_observer.h"
#include "net/lockstep_source.h"
#include "net/player_key.h"
#include "net/online_replay.h"
#include "net/rollback_session.h"
#include "novice_seat.h"
#include "replay/match_recording.h"
#include "screens/match_loop.h"
#include "screens/title_screen.h"
#include "transcript.h"

namespace kokurin {

namespace {

std::uint32_t clockMs() {
    using namespace std::chrono;
    static const steady_clock::time_point origin = steady_clock::now();
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now() - origin).count());
}

// Frames from this player's cursor keys to the cursor moved on screen: each press is the frame
// (of wall-clock time, counted in the source's calls) its key was read in; it is answered by
// the first frame shown with the cursor moved on this player's turn.
class KeyToScreen {
  public:
    void pressed(long tick) { presses_.push_back(tick); }
    // The frame shown at this tick (the pump presents it before asking for the next input).
    void shown(long tick, const Match& match, int seat) {
        const MatchState& state = match.state();
        const int cell = state.cursorRow * 6 + state.cursorCol;
        const bool mine = match.phase() == MatchPhase::HumanTurn && state.currentPlayer == seat;
        if (!mine) {
            // A press nobody's turn answered (the turn ran out) answers nothing later.
            presses_.clear();
        } else if (cell != cell_ && !presses_.empty()) {
            frames_.push_back(tick - presses_.front());
            presses_.erase(presses_.begin());
        }
        cell_ = cell;
    }
    void report() const {
        if (frames_.empty()) {
            std::fprintf(stderr, "kokurin-sim: key to screen: no cursor moves\n");
            return;
        }
        std::vector<long> sorted = frames_;
        std::sort(sorted.begin(), sorted.end());
        double sum = 0;
        for (long f : sorted) {
            sum += static_cast<double>(f);
        }
        std::fprintf(stderr,
                     "kokurin-sim: key to screen: %zu cursor moves, median %ld frames, mean "
                     "%.2f, most %ld\n",
                     sorted.size(), sorted[sorted.size() / 2],
                     sum / static_cast<double>(sorted.size()), sorted.back());
    }

  private:
    std::vector<long> presses_;
    std::vector<long> frames_;
    int cell_ = -1;
};

// The key script (or the novice) read by match frame: the frame an input is played at, not
// the pump it was sent from. The presses of a cursor key are noted for KeyToScreen.
class ScriptSeatInput : public net::LocalSeatInput {
  public:
    ScriptSeatInput(headless::KeySource* keys, KeyToScreen& latency, const long& tick)
        : keys_(keys), latency_(latency), tick_(tick) {}
    FrameInput inputFor(std::uint32_t frame, const bool[keyboardKeys], std::uint8_t) override {
        bool down[256] = {};
        if (keys_ != nullptr) {
            keys_->keysDown(static_cast<long>(frame) + 1, down);
        }
        const FrameInput input = frameInputOfKeys(down);
        // Either seat's four arrows (select is not a move).
        constexpr std::uint16_t cursorKeys = 0x003c | 0x0780;
        if ((input.keys & ~last_.keys & cursorKeys) != 0) {
            latency_.pressed(tick_);
        }
        last_ = input;
        return input;
    }

  private:
    headless::KeySource* keys_;
    KeyToScreen& latency_;
    const long& tick_;
    FrameInput last_;
};

// Counts the frames of wall-clock time the pump asks for input in and, with --realtime, paces
// them at 60 a second as a game's pump does (a frame held is a frame too).
class PacedFrames : public FrameInputSource {
  public:
    PacedFrames(FrameInputSource& inner, bool realtime, const Match& shown, int seat,
                KeyToScreen& latency, long& tick)
        : inner_(inner), realtime_(realtime), shown_(shown), seat_(seat), latency_(latency),
          tick_(tick) {}

    InputState nextInput(const bool localDown[keyboardKeys], FrameInput& input) override {
        if (realtime_) {
            using namespace std::chrono;
            const steady_clock::time_point now = steady_clock::now();
            if (due_ > now) {
                std::this_thread::sleep_until(due_);
            }
            due_ = std::max(due_, now) + microseconds(16667);
        }
        ++tick_;
        latency_.shown(tick_, shown_, seat_);
        return inner_.nextInput(localDown, input);
    }
    bool drawWhileHeld(long held) override { return inner_.drawWhileHeld(held); }
    int framesPerShownFrame() const override { return inner_.framesPerShownFrame(); }
    void drawOverFrame() override { inner_.drawOverFrame(); }
    bool allowsModalBoxes() const override { return false; }

  private:
    FrameInputSource& inner_;
    bool realtime_;
    const Match& shown_;
    int seat_;
    KeyToScreen& latency_;
    long& tick_;
    std::chrono::steady_clock::time_point due_;
};

// The transcript, with the novice told of each turn's start (lockstep: the played match is the
// shown one).
class OnlineObserver : public MatchObserver {
  public:
    OnlineObserver(Transcript& transcript, NoviceSeat* novice)
        : transcript_(transcript), novice_(novice) {}
    void turnStarted(const MatchState& state) override {
        if (novice_ != nullptr) {
            novice_->turnStarted(state, headless::pollCount());
        }
        transcript_.turnStarted(state);
    }
    void swapMade(const MatchState& s, int a, int b) override { transcript_.swapMade(s, a, b); }
    void turnEnded(const MatchState& s, bool c) override { transcript_.turnEnded(s, c); }
    void cascadeSettled(const MatchState& s) override { transcript_.cascadeSettled(s); }
    void clashEnded(const MatchState& s) override { transcript_.clashEnded(s); }
    void hintShown(const MatchState& s, const char* t) override { transcript_.hintShown(s, t); }
    void winnerScreen(const MatchState& s) override { transcript_.winnerScreen(s); }

  private:
    Transcript& transcript_;
    NoviceSeat* novice_;
};

// The novice plays what it sees: the turns of the shown match, which runs ahead of the
// confirmed one (a turn a rollback moved is planned again).
class ShownTurns {
  public:
    explicit ShownTurns(NoviceSeat* novice) : novice_(novice) {}
    void look(const Match& match, long frame) {
        const MatchState& state = match.state();
        const bool turn = match.phase() == MatchPhase::HumanTurn;
        const bool fresh =
            turn && (!inTurn_ || mover_ != state.currentPlayer || state.turnTimer > timer_);
        inTurn_ = turn;
        mover_ = state.currentPlayer;
        timer_ = state.turnTimer;
        if (fresh && novice_ != nullptr) {
            novice_->turnStarted(state, frame);
        }
    }

  private:
    NoviceSeat* novice_;
    bool inTurn_ = false;
    int mover_ = -1;
    std::int32_t timer_ = 0;
};

// Updates the client until done() or the deadline; false at the deadline or on failure.
template <class Done> bool waitFor(net::OnlineClient& client, std::uint32_t seconds, Done done) {
    const std::uint32_t deadline = clockMs() + seconds * 1000;
    for (;;) {
        client.update(clockMs());
        if (done()) {
            return true;
        }
        if (client.phase() == net::OnlineClient::Phase::Failed || clockMs() > deadline) {
            return false;
        }
        client.transport().waitForTraffic(5);
    }
}

int failed(const net::OnlineClient& client, const char* waitingFor) {
    if (client.transport().certificateRefused()) {
        // A refusal, not a fault: said plainly, with what the check found.
        std::fprintf(stderr, "kokurin-sim: refused to connect: %s\n", client.error().c_str());
        return 4;
    }
    std::fprintf(stderr, "kokurin-sim: %s\n",
                 client.phase() == net::OnlineClient::Phase::Failed
                     ? client.error().c_str()
                     : (std::string("timed out waiting for ") + waitingFor).c_str());
    return 4;
}

const char* endText(std::uint8_t how) {
    switch (static_cast<net::MatchEnd>(how)) {
    case net::MatchEnd::Winner:
        return "won";
    case net::MatchEnd::Left:
        return "left";
    case net::MatchEnd::Gone:
        return "gone";
    case net::MatchEnd::Diverged:
        return "diverged";
    case net::MatchEnd::TooLong:
        return "too long";
    }
    return "?";
}

// The player key in `file`, or a fresh one written there when the file is missing (created
// exclusively and readable by its owner alone, so a key is never replaced or shown to others);
// without a file, a key of this run's own. False with the reason.
bool loadPlayerKey(const std::string& file, net::PlayerKey& key, std::string& error) {
    if (file.empty()) {
        if (!net::makePlayerKey(key)) {
            error = "the system gives no random bytes for a player key";
            return false;
        }
        return true;
    }
    std::ifstream in(file);
    if (!in) {
        net::PlayerKey fresh;
        if (!net::makePlayerKey(fresh)) {
            error = "the system gives no random bytes for a player key";
            return false;
        }
        const std::string text = net::playerKeyHex(fresh) + "\n";
#if defined(_WIN32)
        const int fd = _open(file.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                             _S_IREAD | _S_IWRITE);
        const bool written = fd >= 0 && _write(fd, text.data(), static_cast<unsigned>(text.size())) ==
                                            static_cast<int>(text.size());
        if (fd >= 0) {
            _close(fd);
        }
#else
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        const bool written =
            fd >= 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) &&
            ::fsync(fd) == 0;
        if (fd >= 0) {
            ::close(fd);
        }
#endif
        if (!written) {
            error = "cannot make the key file " + file;
            return false;
        }
        in.open(file);
    }
    std::string hex;
    in >> hex;
    if (!net::readPlayerKeyHex(hex, key)) {
        error = file + " holds no player key (64 hex digits)";
        return false;
    }
    return true;
}

const char* ratedText(std::uint8_t outcome) {
    switch (static_cast<net::RatedOutcome>(outcome)) {
    case net::RatedOutcome::Rated:
        return "rated";
    case net::RatedOutcome::TooShort:
        return "not rated: under ten seconds";
    case net::RatedOutcome::Parted:
        return "not rated: the games parted";
    case net::RatedOutcome::TooLong:
        return "not rated: too long";
    case net::RatedOutcome::NoWinner:
        return "not rated: no winner";
    case net::RatedOutcome::Rematch:
        return "not rated: a rematch";
    case net::RatedOutcome::NotSaved:
        return "not rated: the server could not save it";
    }
    return "?";
}

// Greets the server as the key's player and waits in the ranked queue until a match starts.
int enterRankedMatch(net::OnlineClient& client, const SimOptions& options) {
    const std::uint32_t refused = client.refusalsReceived();
    if (!waitFor(client, 30, [&] { return client.ranked() || client.refusalsReceived() != refused; }) ||
        !client.ranked()) {
        std::fprintf(stderr, "kokurin-sim: no ranked play as %s: %s\n", options.name.c_str(),
                     client.refusalsReceived() != refused ? client.error().c_str()
                                                          : "the server did not answer");
        return 4;
    }
    const net::RankedStanding& standing = client.standing();
    std::fprintf(stderr, "kokurin-sim: ranked as %s, rating %u (+-%u), rank %u\n",
                 standing.name.c_str(), static_cast<unsigned>(standing.rating),
                 static_cast<unsigned>(2 * standing.deviation), static_cast<unsigned>(standing.rank));
    const std::uint32_t starts = client.startsReceived();
    client.rankedMatch();
    // Players are paired as their ratings allow: the wait may be long. A match may be over by
    // the time it is looked at (the other player left at once): it was played all the same.
    if (!waitFor(client, 600, [&] {
            return client.startsReceived() != starts || client.refusalsReceived() != refused;
        }) ||
        client.startsReceived() == starts) {
        if (client.refusalsReceived() != refused) {
            std::fprintf(stderr, "kokurin-sim: refused: %s\n", client.error().c_str());
            return 4;
        }
        return failed(client, "a ranked opponent");
    }
    return 0;
}

} // namespace

int playOnline(const SimOptions& options, headless::KeySource* keys) {
    using Phase = net::OnlineClient::Phase;
    setTrustedCaFile(options.caFile);
    DesktopWebSocket transport;
    net::OnlineClient client(transport, options.name);
    if (options.ranked) {
        net::PlayerKey key;
        std::string error;
        if (!loadPlayerKey(options.keyFile, key, error)) {
            std::fprintf(stderr, "kokurin-sim: %s\n", error.c_str());
            return 2;
        }
        client.setPlayerKey(key);
    }
    client.open(options.onlineUrl);
    if (!waitFor(client, 10, [&] { return client.phase() == Phase::Lobby; })) {
        return failed(client, "the server's welcome");
    }
    // The first address that answered (of several, one server's processes).
    const std::string welcomedAt = client.url();
    if (options.ranked) {
        if (const int status = enterRankedMatch(client, options)) {
            return status;
        }
    } else {
        // A room held by another server process: the client follows the server there.
        const std::uint32_t starts = client.startsReceived();
        client.joinRoom(options.room, options.spectate, true);
        if (!waitFor(client, 60, [&] { return client.startsReceived() != starts; })) {
            return failed(client, "the match to start");
        }
    }
    if (client.url() != welcomedAt) {
        std::fprintf(stderr, "kokurin-sim: room %s lives at %s; joined there\n",
                     options.room.c_str(), client.url().c_str());
    }
    // A round trip or two: the lockstep's input delay, and how far the session may run ahead.
    waitFor(client, 2, [&] { return client.roundTripMs() != 0; });
    const int delay = options.inputDelay != 0 ? options.inputDelay
                      : options.lockstep      ? net::inputDelayForRoundTrip(client.roundTripMs())
                                              : 0;
    std::fprintf(stderr, "kokurin-sim: room %s, seat %d, round trip %u ms, input delay %d%s\n",
                 client.roomCode().c_str(), static_cast<int>(client.seat()),
                 static_cast<unsigned>(client.roundTripMs()), delay,
                 options.lockstep ? ", lockstep" : "");

    const MatchStart start = client.start().start;
    if (!validMatchStart(start)) {
        std::fprintf(stderr, "kokurin-sim: the server's match start is damaged\n");
        return 4;
    }
    Transcript transcript(stdout);
    const int seat = client.seat();
    NoviceSeat novice(seat < 2 ? seat : 0);
    const bool withNovice = options.novice && seat < 2;
    KeyToScreen latency;
    long tick = 0;
    ScriptSeatInput local(withNovice ? &novice : keys, latency, tick);
    Replay replay;
    bool recorded = false;
    bool quit = false;
    if (options.lockstep) {
        OnlineObserver observer(transcript, withNovice ? &novice : nullptr);
        Match match(start);
        transcript.start(start.seed, start.opponent, match.state());
        net::LockstepInputSource lockstep(client, match, local, clockMs, delay);
        lockstep.corruptHashAt(options.corruptHashAt);
        MatchRecorder recorder(lockstep, match, start);
        PacedFrames paced(recorder, options.realtime, match, seat, latency, tick);
        {
            ScopedFrameInput route(paced);
            quit = runMatch(match, &observer);
        }
        const char* reason = transcript.winnerReached() ? "winner" : quit ? "limit" : "escape";
        transcript.end(reason, match.state());
        recorded = recorder.finish(matchResult(match, quit), replay);
    } else {
        net::RollbackSession session(client, start, local, clockMs, transcript, silentListener(),
                                     delay);
        session.corruptHashAt(options.corruptHashAt);
        // The transcript counts the confirmed frames, as a replay of the server's streams does.
        transcript.setPollSource(
            [&session] { return static_cast<long>(session.confirmed().frame()); });
        transcript.start(start.seed, start.opponent, session.confirmed().state());
        PacedFrames paced(session, options.realtime, session.shown(), seat, latency, tick);
        ShownTurns turns(withNovice ? &novice : nullptr);
        session.begin();
        turns.look(session.shown(), 0);
        {
            ScopedFrameInput route(paced);
            while (!pumpFrame()) {
                session.stepShown();
                turns.look(session.shown(), static_cast<long>(session.shownFrames()));
            }
        }
        // Stopped by the poll limit: the frames shown are confirmed as the streams bring them,
        // so that both players and every spectator record the same frames.
        session.settle(30000);
        const Match& match = session.confirmed();
        quit = !match.over();
        const char* reason = transcript.winnerReached() ? "winner" : quit ? "limit" : "escape";
        transcript.end(reason, match.state());
        recorded = session.finish(matchResult(match, quit), replay);
        if (seat < 2) {
            const net::RollbackStats& stats = session.stats();
            std::fprintf(stderr,
                         "kokurin-sim: %u rollbacks in %u frames, %llu frames stepped again, the "
                         "longest %u frames in %u us; %u frames waited at the bound, %u held for "
                         "the other player\n",
                         stats.rollbacks, static_cast<unsigned>(session.shownFrames()),
                         static_cast<unsigned long long>(stats.framesStepped), stats.longestFrames,
                         stats.longestMicros, stats.boundWaits, stats.catchUpHolds);
        }
    }
    std::fflush(stdout);
    if (options.realtime && seat < 2) {
        latency.report();
    }

    if (client.seat() < 2 && recorded) {
        client.sendResult(static_cast<std::uint32_t>(replay.inputs.size()), replay.hashes.back(),
                          static_cast<std::uint8_t>(replay.result));
    }
    // The replay is written once the server's verdict is in it (without one, the verdict never
    // came): the same bytes as the server's and every other client's.
    const bool verdict = waitFor(client, 30, [&] { return client.phase() == Phase::Over; });
    net::recordPlayers(replay, client.start().names[0], client.start().names[1]);
    if (verdict) {
        net::recordVerdict(replay, client.matchEnd().reason, client.matchEnd().seat);
    }
    if (!options.recordFile.empty()) {
        const std::vector<std::uint8_t> bytes = encodeReplay(replay);
        std::ofstream file(options.recordFile, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        if (!recorded || !file) {
            std::fprintf(stderr, "kokurin-sim: no replay written to '%s'\n",
                         options.recordFile.c_str());
            return 2;
        }
    }
    if (!verdict) {
        return failed(client, "the server's verdict");
    }
    const net::Message& end = client.matchEnd();
    std::fprintf(stderr, "kokurin-sim: match over after %u frames: %s, winner %s\n",
                 static_cast<unsigned>(end.number), endText(end.reason),
                 end.seat < 2 ? (end.seat == 0 ? "1P" : "2P") : "none");
    if (client.divergedAt() != 0) {
        std::fprintf(stderr, "kokurin-sim: the server found a game parted at frame %u\n",
                     static_cast<unsigned>(client.divergedAt()));
        return 4;
    }
    if (options.ranked) {
        // The verdict first, the rating once the server has kept the match.
        if (!waitFor(client, 30, [&] { return client.ratedReceived() != 0; })) {
            return failed(client, "the match's rating");
        }
        const net::Message& rated = client.lastRated();
        const int seat = rated.seat < 2 ? rated.seat : 0;
        std::fprintf(stderr, "kokurin-sim: ranked match %s, rating %u -> %u\n",
                     ratedText(rated.reason), static_cast<unsigned>(rated.ranked.before[seat]),
                     static_cast<unsigned>(rated.ranked.after[seat]));
    }
    return 0;
}

} // namespace kokurin
