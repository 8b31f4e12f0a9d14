// The headless client: waits for the room's match (the client follows the server to the
// process that holds the room when there are several), plays it through the lockstep source (the
// headless front end never sleeps, so the source waits on the socket instead), records it, and
// reports its end to the server.
#include "online_play.h"

#include <chrono>
#include <cstdio>
#include <fstream>

#include "desktop_online/websocket_transport.h"
#include "input/input_route.h"
#include "net/lockstep_source.h"
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

} // namespace

int playOnline(const SimOptions& options, headless::KeySource* keys) {
    using Phase = net::OnlineClient::Phase;
    setTrustedCaFile(options.caFile);
    DesktopWebSocket transport;
    net::OnlineClient client(transport, options.name);
    client.open(options.onlineUrl);
    if (!waitFor(client, 10, [&] { return client.phase() == Phase::Lobby; })) {
        return failed(client, "the server's welcome");
    }
    // A room held by another server process: the client follows the server there.
    client.joinRoom(options.room, options.spectate, true);
    if (!waitFor(client, 60, [&] { return client.phase() == Phase::Playing; })) {
        return failed(client, "the match to start");
    }
    if (client.url() != options.onlineUrl) {
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
    return 0;
}

} // namespace kokurin
