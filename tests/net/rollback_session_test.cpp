// The online frames played ahead of the server: this player's cursor answers in the frame its key
// is read while the other seat's inputs arrive many frames late; every misprediction lands the
// shown match exactly where stepping the server's streams (lockstep) puts it; the confirmed
// match's hashes, events and sounds come once each; the bound; a spectator's buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>

#include "match/match_start.h"
#include "net/input_runs.h"
#include "net/rollback_session.h"
#include "net/seat_input.h"

using namespace kokurin;
using namespace kokurin::net;

namespace {

const bool noKeys[keyboardKeys] = {};

// The test plays the server: what the client sends is kept, what it is handed arrives at its
// next update.
class Relay : public Transport {
  public:
    bool connect(const std::string&) override { return true; }
    void send(const std::vector<std::uint8_t>& bytes) override {
        Message m;
        std::string error;
        ASSERT_TRUE(decodeMessage(bytes.data(), bytes.size(), m, error)) << error;
        if (m.type == MessageType::Inputs) {
            ASSERT_GE(m.held[m.seat], own.size()) << "this seat's stream only grows";
            extendStream(own, m, replayMaxFrames);
        } else if (m.type == MessageType::Hash) {
            hashes[m.number] = m.hash;
        }
    }
    Status poll(std::vector<std::vector<std::uint8_t>>& received) override {
        received.swap(inbox);
        inbox.clear();
        return Status::Open;
    }
    void close() override {}
    std::string closeReason() const override { return "closed"; }
    void deliver(const Message& m) { inbox.push_back(encodeMessage(m)); }

    std::vector<std::vector<std::uint8_t>> inbox;
    std::vector<FrameInput> own;
    std::map<std::uint32_t, std::uint32_t> hashes;
};

// Frames [first, end) of a seat's stream as the server sends them.
Message inputsOf(int seat, std::uint32_t first, const std::vector<FrameInput>& stream,
                 std::uint32_t end) {
    Message m;
    writeStream(stream, seat, first, end, true, m);
    return m;
}

// One seat's key pressed for a single frame (k: left, right, up, down, select).
FrameInput tap(int seat, int k) {
    return FrameInput{static_cast<std::uint16_t>(1u << seatKeyBitsInOrder[seat][k]), 0};
}

class Scripted : public LocalSeatInput {
  public:
    explicit Scripted(std::function<FrameInput(std::uint32_t)> keys) : keys_(std::move(keys)) {}
    FrameInput inputFor(std::uint32_t frame, const bool[keyboardKeys], std::uint8_t) override {
        return keys_(frame);
    }

  private:
    std::function<FrameInput(std::uint32_t)> keys_;
};

// The events as a text, each with the frame of the match it came in (what a transcript would
// print), and the sounds heard, by kind.
class EventLog : public MatchListener {
  public:
    void turnStarted(const MatchState& s) override { line("turn", s.currentPlayer); }
    void swapMade(const MatchState&, int a, int b) override { line("swap", a * 100 + b); }
    void cascadeSettled(const MatchState&) override { line("settled", 0); }
    void clashEnded(const MatchState& s) override { line("clash", s.currentPlayer); }
    void winnerScreen(const MatchState&) override { line("winner", 0); }
    void sound(const SoundCue& cue) override {
        sounds.emplace_back(match == nullptr ? 0 : match->frame(), static_cast<int>(cue.kind));
    }
    // The kinds of the sounds heard up to a frame, sorted.
    std::vector<int> heard(std::uint32_t frame = ~0u) const {
        std::vector<int> kinds;
        for (const auto& sound : sounds) {
            if (sound.first <= frame) {
                kinds.push_back(sound.second);
            }
        }
        std::sort(kinds.begin(), kinds.end());
        return kinds;
    }
    const Match* match = nullptr;
    std::string text;
    std::vector<std::pair<std::uint32_t, int>> sounds;

  private:
    void line(const char* what, int value) {
        text += std::to_string(match->frame()) + " " + what + " " + std::to_string(value) + "\n";
    }
};

// The lines of an event log up to a frame.
std::string linesUpTo(const std::string& text, std::uint32_t frame) {
    std::string kept;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at) + 1;
        if (std::stoul(text.substr(at, text.find(' ', at) - at)) <= frame) {
            kept += text.substr(at, end - at);
        }
        at = end;
    }
    return kept;
}

// A client in a match, with the whole of both streams known to the test in advance, and the
// same match stepped on them frame by frame as lockstep plays it.
struct Table {
    static constexpr std::uint32_t frames = 420;

    // A spectator (seat 2) watches mine as 1P's keys and theirs as 2P's.
    Table(int seat, std::function<FrameInput(std::uint32_t)> mine,
          std::function<FrameInput(std::uint32_t)> theirs)
        : seat(seat), local(mine), client(relay, "me"), start(freshMatchStart(0, 4242)) {
        const int first = seat < 2 ? seat : 0;
        for (std::uint32_t f = 0; f < frames; ++f) {
            streams[first].push_back(seatInput(mine(f), first));
            streams[1 - first].push_back(seatInput(theirs(f), 1 - first));
        }
        Match match(start);
        log.match = &match;
        match.begin(log);
        lockstep.push_back(match);
        for (std::uint32_t f = 0; f < frames; ++f) {
            match.step(mergeSeatInputs(streams[0][f], streams[1][f], match.state().currentPlayer),
                       log);
            lockstep.push_back(match);
        }
        log.match = nullptr;
        client.open("ws://test/");
        Message m;
        m.type = MessageType::Welcome;
        m.version = protocolVersion;
        relay.deliver(m);
        m.type = MessageType::Start;
        m.number = 1;
        m.seat = static_cast<std::uint8_t>(seat);
        m.start = start;
        // Headless, the match runs as far ahead of its clock as it likes.
        m.lead = 100000;
        relay.deliver(m);
        client.update(0);
    }

    // The server's frames as far as they have come: this seat's echoed echoLag frames after
    // they were sent, the other seat's `lag` frames after this client showed them (up to
    // `silent`).
    void serve(const RollbackSession& session, std::uint32_t lag, std::uint32_t echoLag,
               std::uint32_t silent = frames) {
        const auto upTo = [&](std::uint32_t behind, std::uint32_t limit) {
            const std::uint32_t at = session.shownFrames();
            return std::min(limit, at > behind ? at - behind : 0u);
        };
        // This seat's own frames are never sent back: the other seat's Inputs say how far the
        // server holds them.
        const std::uint32_t mine =
            std::max(echoed, upTo(echoLag, static_cast<std::uint32_t>(relay.own.size())));
        const std::uint32_t theirs = std::max(delivered, upTo(lag, silent));
        if (mine > echoed || theirs > delivered) {
            Message m = inputsOf(1 - seat, delivered, streams[1 - seat], theirs);
            m.held[seat] = mine;
            relay.deliver(m);
            echoed = mine;
            delivered = theirs;
        }
    }

    // What the shown match must be: the lockstep match at the confirmed frame, stepped on to
    // the shown frame on this seat's inputs and the other's last known keys.
    Match expectedShown(const RollbackSession& session) const {
        Match match = lockstep[session.confirmedFrames()];
        const auto& theirs = client.stream(1 - seat);
        for (std::uint32_t f = session.confirmedFrames(); f < session.shownFrames(); ++f) {
            const FrameInput other = f < theirs.size() ? theirs[f] : predictedSeatInput(theirs);
            const FrameInput& own = streams[seat][f];
            match.step(seat == 0 ? mergeSeatInputs(own, other, match.state().currentPlayer)
                                 : mergeSeatInputs(other, own, match.state().currentPlayer),
                       silentListener());
        }
        return match;
    }

    int seat;
    Relay relay;
    Scripted local;
    OnlineClient client;
    MatchStart start;
    std::vector<FrameInput> streams[2];
    std::vector<Match> lockstep;
    // The lockstep match's events and sounds.
    EventLog log;
    std::uint32_t echoed = 0;
    std::uint32_t delivered = 0;
    std::uint32_t now = 0;
};

bool samePlay(const Match& a, const Match& b) {
    return a.hash() == b.hash() && a.phase() == b.phase() && a.selected() == b.selected() &&
           a.selectedCol() == b.selectedCol() && a.selectedRow() == b.selectedRow();
}

// The first mover's seat (the other seat taps its keys on that turn).
int firstMover() {
    Match match(freshMatchStart(0, 4242));
    match.begin(silentListener());
    return match.state().currentPlayer;
}

} // namespace

TEST(RollbackSession, TheLocalCursorMovesInTheFrameItsKeyIsReadUpToTheBound) {
    // The other seat idles, its frames 12 frames late, and from its frame 68 on silent.
    const int seat = firstMover();
    Table t(
        seat, [&](std::uint32_t f) { return f % 10 == 5 && f > 10 ? tap(seat, 1) : FrameInput{}; },
        [&](std::uint32_t) { return FrameInput{}; });
    EventLog log;
    RollbackSession session(
        t.client, t.start, t.local, [&] { return t.now += 16; }, log, log);
    log.match = &session.confirmed();
    session.begin();
    int moves = 0;
    int pending = 0;
    for (int pump = 0; pump < 200; ++pump) {
        t.serve(session, 12, 6, 68);
        FrameInput input;
        if (session.nextInput(noKeys, input) != InputState::Ready) {
            ++pending;
            continue;
        }
        const int before = session.shown().state().cursorCol;
        const std::uint32_t frame = session.shownFrames();
        session.stepShown();
        if (frame % 10 == 5 && frame > 10) {
            EXPECT_EQ(session.shown().state().cursorCol, (before + 1) % 6) << frame;
            EXPECT_LE(t.client.stream(1 - seat).size() + 9, frame) << "the other's frames late";
            ++moves;
        }
    }
    EXPECT_EQ(moves, 10);
    EXPECT_EQ(session.stats().rollbacks, 0u) << "an idle other seat is predicted right";
    EXPECT_GT(session.stats().catchUpHolds, 0u) << "12 frames late on a 0 ms round trip";
    // Then 40 frames ahead of the last confirmed one, and no further.
    EXPECT_EQ(session.bound(), 40u);
    EXPECT_EQ(session.confirmedFrames(), 68u);
    EXPECT_EQ(session.shownFrames(), 108u);
    EXPECT_EQ(pending, 200 - 108);
    EXPECT_EQ(t.client.framesGiven(), 108u) << "nothing sampled past the bound";
}

// Two cells clicked while the frames are held (the other player late) are an exchange: each pick
// goes in a frame of its own once play goes on, in the order made.
TEST(RollbackSession, PicksMadeWhileHeldGoOneAFrameInTheOrderMade) {
    const int seat = firstMover();
    const auto idle = [](std::uint32_t) { return FrameInput{}; };
    Table t(seat, idle, idle);
    class Picks : public LocalSeatInput {
      public:
        FrameInput inputFor(std::uint32_t, const bool[keyboardKeys], std::uint8_t pick) override {
            given.push_back(pick);
            return FrameInput{};
        }
        std::vector<std::uint8_t> given;
    } picks;
    EventLog log;
    RollbackSession session(
        t.client, t.start, picks, [&] { return t.now += 16; }, log, log);
    log.match = &session.confirmed();
    session.begin();
    const auto pump = [&](std::uint8_t pick, std::uint32_t silent) {
        t.serve(session, 0, 0, silent);
        FrameInput input;
        input.pointer = pick;
        if (session.nextInput(noKeys, input) != InputState::Ready) {
            return false;
        }
        session.stepShown();
        return true;
    };
    // The other seat says nothing: the session runs to its bound and waits there.
    for (int pumps = 0; session.shownFrames() < session.bound(); ++pumps) {
        ASSERT_LT(pumps, 1000);
        pump(0, 0);
    }
    EXPECT_FALSE(pump(7, 0));
    EXPECT_FALSE(pump(13, 0));
    picks.given.clear();
    for (int frame = 0; frame < 3; ++frame) {
        EXPECT_TRUE(pump(0, Table::frames));
    }
    EXPECT_EQ(picks.given, (std::vector<std::uint8_t>{7, 13, 0}));
}

TEST(RollbackSession, AMispredictionLandsWhereLockstepIsAndEveryConfirmedThingComesOnce) {
    // The other seat moves first: it walks the cursor right, selects, walks on and exchanges,
    // its keys arriving 12 frames after this client showed their frames; this seat taps keys
    // all along (read only once its own turn has come).
    const int other = firstMover();
    const int seat = 1 - other;
    const std::map<std::uint32_t, int> theirTaps = {{20, 1}, {30, 1}, {40, 3}, {60, 4},
                                                    {70, 1}, {80, 1}, {95, 4}};
    Table t(
        seat, [&](std::uint32_t f) { return f % 7 == 3 ? tap(seat, f % 2) : FrameInput{}; },
        [&](std::uint32_t f) {
            const auto it = theirTaps.find(f);
            return it == theirTaps.end() ? FrameInput{} : tap(other, it->second);
        });
    EventLog events;
    EventLog heard;
    RollbackSession session(
        t.client, t.start, t.local, [&] { return t.now += 16; }, events, heard);
    events.match = &session.confirmed();
    heard.match = &session.shown();
    session.begin();
    while (session.shownFrames() < Table::frames - 20) {
        t.serve(session, 12, 0);
        FrameInput input;
        const InputState state = session.nextInput(noKeys, input);
        ASSERT_TRUE(samePlay(session.confirmed(), t.lockstep[session.confirmedFrames()]))
            << "confirmed frame " << session.confirmedFrames();
        ASSERT_TRUE(samePlay(session.shown(), t.expectedShown(session)))
            << "shown frame " << session.shownFrames();
        if (state == InputState::Ready) {
            session.stepShown();
        }
    }
    // Every key of the other seat on its turn came late and was rolled back for; the let-go
    // keys, and this seat's keys on the other's turn, cost nothing.
    EXPECT_EQ(session.stats().rollbacks, theirTaps.size());
    // Each stepped again from its own frame, which arrived as the 13th frame after it was shown.
    EXPECT_EQ(session.stats().longestFrames, 13u);
    EXPECT_NE(t.log.text.find("swap"), std::string::npos);
    EXPECT_NE(t.log.text.find("turn " + std::to_string(seat)), std::string::npos);
    // The hashes sent are the lockstep match's.
    ASSERT_EQ(t.relay.hashes.size(), session.confirmedFrames() / 60);
    for (const auto& sent : t.relay.hashes) {
        EXPECT_EQ(sent.second, t.lockstep[sent.first - 1].hash()) << sent.first;
    }
    // Events once each, at their frames; every sound of the shown frames heard once, the other
    // seat's moves late.
    EXPECT_EQ(events.text, linesUpTo(t.log.text, session.confirmedFrames()));
    EXPECT_GT(session.sounds().playedLate(), 0u);
    EXPECT_EQ(heard.heard(), t.log.heard(session.shownFrames()));
    EXPECT_TRUE(heard.text.empty()) << "the shown match's events go nowhere";
}

TEST(RollbackSession, ASpectatorPlaysTheConfirmedFramesFromASmallBuffer) {
    Table t(
        2, [](std::uint32_t f) { return f % 9 == 4 ? tap(0, 1) : FrameInput{}; },
        [](std::uint32_t f) { return f % 5 == 2 ? tap(1, 3) : FrameInput{}; });
    ASSERT_EQ(t.client.seat(), 2);
    EventLog log;
    RollbackSession session(
        t.client, t.start, t.local, [&] { return t.now += 16; }, log, log);
    log.match = &session.confirmed();
    session.begin();
    std::string played;
    std::uint32_t sent = 0;
    // Frames arrive in bursts of 4, every 5th pump: play starts with 6 in hand and runs dry.
    for (int pump = 0; pump < 40; ++pump) {
        if (pump % 5 == 0) {
            for (int s = 0; s < 2; ++s) {
                t.relay.deliver(inputsOf(s, sent, t.streams[s], sent + 4));
            }
            sent += 4;
        }
        FrameInput input;
        const InputState state = session.nextInput(noKeys, input);
        played += state == InputState::Ready ? 'R' : '.';
        if (state == InputState::Ready) {
            session.stepShown();
            EXPECT_TRUE(samePlay(session.shown(), t.lockstep[session.shownFrames()]));
        }
    }
    EXPECT_EQ(played, ".....RRRRRRRRRRRRRRRRRRRRRRRR......RRRRR");
    EXPECT_TRUE(t.relay.hashes.empty() && t.relay.own.empty()) << "a spectator sends nothing";
    EXPECT_EQ(log.text, linesUpTo(t.log.text, session.confirmedFrames()));
    EXPECT_EQ(log.heard(), t.log.heard(session.confirmedFrames())) << "heard as played";
}
