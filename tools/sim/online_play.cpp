// The headless client: waits for the room's match (the client follows the server to the
// process that holds the room when there are several), plays it through the lockstep source (the
// headless front end never sleeps, so the source waits on the socket instead), records it, and
// reports its end to the server.
#include "online_play.h"

#include <chrono>
#include <cstdio>
#include <fstream>

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
#include "net/lockstep_source.h"
#include "net/player_key.h"
#include "net/online_replay.h"
#include "novice_seat.h"
#include "replay/match_recording.h"
#include "screens/match_loop.h"
#include "match/match_observer.h"
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

// The key script (or the novice) read by match frame: the frame an input is played at, not
// the pump it was sent from.
class ScriptSeatInput : public net::LocalSeatInput {
  public:
    explicit ScriptSeatInput(headless::KeySource* keys) : keys_(keys) {}
    FrameInput inputFor(std::uint32_t frame, const bool[keyboardKeys], std::uint8_t) override {
        bool down[256] = {};
        if (keys_ != nullptr) {
            keys_->keysDown(static_cast<long>(frame) + 1, down);
        }
        return frameInputOfKeys(down);
    }

  private:
    headless::KeySource* keys_;
};

// The transcript, with the novice told of each turn's start.
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
    using Phase = net::OnlineClient::Phase;
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
    client.rankedMatch();
    // Players are paired as their ratings allow: the wait may be long.
    if (!waitFor(client, 600, [&] {
            return client.phase() == Phase::Playing || client.refusalsReceived() != refused;
        }) ||
        client.phase() != Phase::Playing) {
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
        client.joinRoom(options.room, options.spectate, true);
        if (!waitFor(client, 60, [&] { return client.phase() == Phase::Playing; })) {
            return failed(client, "the match to start");
        }
    }
    if (client.url() != welcomedAt) {
        std::fprintf(stderr, "kokurin-sim: room %s lives at %s; joined there\n",
                     options.room.c_str(), client.url().c_str());
    }
    // A round trip or two to choose the input delay from.
    waitFor(client, 2, [&] { return client.roundTripMs() != 0; });
    const int delay = options.inputDelay != 0 ? options.inputDelay
                                              : net::inputDelayForRoundTrip(client.roundTripMs());
    std::fprintf(stderr, "kokurin-sim: room %s, seat %d, round trip %u ms, input delay %d\n",
                 client.roomCode().c_str(), static_cast<int>(client.seat()),
                 static_cast<unsigned>(client.roundTripMs()), delay);

    const MatchStart start = client.start().start;
    if (!validMatchStart(start)) {
        std::fprintf(stderr, "kokurin-sim: the server's match start is damaged\n");
        return 4;
    }
    Transcript transcript(stdout);
    NoviceSeat novice(client.seat() < 2 ? client.seat() : 0);
    const bool withNovice = options.novice && client.seat() < 2;
    OnlineObserver observer(transcript, withNovice ? &novice : nullptr);
    Match match(start);
    transcript.start(start.seed, start.opponent, match.state());

    ScriptSeatInput local(withNovice ? &novice : keys);
    net::LockstepInputSource lockstep(client, match, local, clockMs, delay);
    lockstep.corruptHashAt(options.corruptHashAt);
    MatchRecorder recorder(lockstep, match, start);
    bool quit = false;
    {
        ScopedFrameInput route(recorder);
        quit = runMatch(match, &observer);
    }
    const char* reason = transcript.winnerReached() ? "winner" : quit ? "limit" : "escape";
    transcript.end(reason, match.state());
    std::fflush(stdout);

    Replay replay;
    const bool recorded = recorder.finish(matchResult(match, quit), replay);
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
