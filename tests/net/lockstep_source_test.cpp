// The online frames: sent ahead by the input delay, held until both seats' inputs are back,
// merged seat by seat, hashed every second, resumed from what the server holds.
#include <gtest/gtest.h>

#include <deque>

#include "net/input_runs.h"
#include "net/lockstep_source.h"
#include "net/seat_input.h"
#include "match/state_hash.h"
#include "support/match_driver.h"

using namespace kokurin;
using namespace kokurin::net;
using namespace testing_support;

namespace {

// The test plays the server: it reads what the client sent and hands it messages.
class FakeTransport : public Transport {
  public:
    bool connect(const std::string&) override { return true; }
    void send(const std::vector<std::uint8_t>& bytes) override {
        Message m;
        std::string error;
        ASSERT_TRUE(decodeMessage(bytes.data(), bytes.size(), m, error)) << error;
        sent.push_back(m);
    }
    Status poll(std::vector<std::vector<std::uint8_t>>& received) override {
        received.assign(inbox.begin(), inbox.end());
        inbox.clear();
        return Status::Open;
    }
    void close() override {}
    std::string closeReason() const override { return "closed"; }

    void deliver(const Message& m) { inbox.push_back(encodeMessage(m)); }
    std::vector<Message> sentOf(MessageType type) {
        std::vector<Message> out;
        for (const Message& m : sent) {
            if (m.type == type) {
                out.push_back(m);
            }
        }
        return out;
    }

    // This seat's stream as the server builds it from the Inputs sent.
    std::vector<FrameInput> sentStream() {
        std::vector<FrameInput> stream;
        for (const Message& m : sentOf(MessageType::Inputs)) {
            extendStream(stream, m, replayMaxFrames);
        }
        return stream;
    }

    std::deque<std::vector<std::uint8_t>> inbox;
    std::vector<Message> sent;
};

class PressedUp : public LocalSeatInput {
  public:
    FrameInput inputFor(std::uint32_t frame, const bool[keyboardKeys], std::uint8_t) override {
        asked.push_back(frame);
        // UP is 2P's key; online it moves whichever seat this player holds.
        return FrameInput{0x0080, 5};
    }
    std::vector<std::uint32_t> asked;
};

// What the server sends of frames [from, end) of a seat's stream, and how far it holds the other.
Message relayed(int seat, const std::vector<FrameInput>& stream, std::uint32_t from,
                std::uint32_t otherHeld) {
    Message m;
    writeStream(stream, seat, from, static_cast<std::uint32_t>(stream.size()), from > 0, m);
    m.held[1 - seat] = otherHeld;
    return m;
}

struct Session {
    explicit Session(std::uint32_t held0 = 0) : client(transport, "me") {
        client.open("ws://test/");
        Message welcome;
        welcome.type = MessageType::Welcome;
        welcome.version = protocolVersion;
        welcome.token = 5;
        transport.deliver(welcome);
        Message start;
        start.type = MessageType::Start;
        start.number = 1;
        start.seat = 0;
        start.held[0] = held0;
        start.lead = 300;
        transport.deliver(start);
        client.update(0);
    }
    FakeTransport transport;
    OnlineClient client;
};

const bool noKeys[keyboardKeys] = {};

} // namespace

TEST(SeatInput, EitherKeySetMovesTheLocalSeatAndHIsDropped) {
    // ESC | H | 2P's UP and 1P's D.
    const FrameInput local{0x0001 | 0x0002 | 0x0080 | 0x0020, 9};
    EXPECT_EQ(seatInput(local, 0), (FrameInput{0x0001 | 0x0004 | 0x0020, 9}));
    EXPECT_EQ(seatInput(local, 1), (FrameInput{0x0001 | 0x0080 | 0x0400, 9}));
    const FrameInput first{0x0004, 3};
    const FrameInput second{0x0081, 4};
    // A seat's stray bits of the other seat never pass; the pointer is the mover's.
    EXPECT_EQ(mergeSeatInputs(FrameInput{0x0f84, 3}, second, 0), (FrameInput{0x0085, 3}));
    EXPECT_EQ(mergeSeatInputs(first, second, 1), (FrameInput{0x0085, 4}));
}

// Shown under the match and kept in its replay: the names it started with, whoever comes or
// goes in the room while it is played or once it is over.
TEST(OnlineClient, TheMatchKeepsItsStartsNamesWhileTheRoomChanges) {
    Session s;
    Message start;
    start.type = MessageType::Start;
    start.number = 2;
    start.names[0] = "ann";
    start.names[1] = "kai";
    s.transport.deliver(start);
    s.client.update(16);
    Message joined;
    joined.type = MessageType::Joined;
    joined.text = "ROOM";
    joined.names[1] = "kai";
    for (bool over : {false, true}) {
        if (over) {
            Message end;
            end.type = MessageType::MatchOver;
            end.reason = static_cast<std::uint8_t>(MatchEnd::Left);
            end.seat = 1;
            s.transport.deliver(end);
        }
        // ann left: the room's news names her seat empty.
        s.transport.deliver(joined);
        s.client.update(32);
        EXPECT_EQ(s.client.phase(),
                  over ? OnlineClient::Phase::Over : OnlineClient::Phase::Playing);
        EXPECT_EQ(s.client.start().names[0], "ann") << over;
        EXPECT_EQ(s.client.start().names[1], "kai") << over;
    }
}

TEST(LockstepSource, SendsChangesAheadByTheDelayAndHoldsUntilBothSeatsAreHeld) {
    Session s;
    ASSERT_EQ(s.client.phase(), OnlineClient::Phase::Playing);
    MatchState state;
    Match match = Match::fromPosition(state, Sfmt19937{}, 0, 0, MatchEntry::TurnStart);
    PressedUp local;
    // A frame every 16 ms, as the game runs.
    std::uint32_t now = 0;
    LockstepInputSource source(
        s.client, match, local, [&] { return now += 16; }, 3);
    FrameInput input;
    EXPECT_EQ(source.nextInput(noKeys, input), InputState::Pending);
    // Frames 0 to 3 given, the change at frame 3 sent at once: one message of one run.
    std::vector<FrameInput> expected(3);
    expected.push_back(FrameInput{0x0004, 5});
    EXPECT_EQ(s.transport.sentStream(), expected);
    ASSERT_EQ(s.transport.sentOf(MessageType::Inputs).size(), 1u);
    EXPECT_EQ(s.transport.sentOf(MessageType::Inputs)[0].runs.size(), 1u);
    EXPECT_EQ(local.asked, std::vector<std::uint32_t>{3});

    // The server holds this seat's four frames, none of the other's: still held, and nothing
    // sent while nothing changes.
    s.transport.deliver(relayed(1, {}, 0, 4));
    EXPECT_EQ(source.nextInput(noKeys, input), InputState::Pending);
    EXPECT_EQ(s.client.stream(0).size(), 4u);
    EXPECT_EQ(s.transport.sentOf(MessageType::Inputs).size(), 1u);

    s.transport.deliver(relayed(1, {{0x0100, 0}, {0x0001, 2}}, 0, 4));
    ASSERT_EQ(source.nextInput(noKeys, input), InputState::Ready);
    EXPECT_EQ(input, (FrameInput{0x0100, 0}));
    state.currentPlayer = 1;
    match = Match::fromPosition(state, Sfmt19937{}, 0, 0, MatchEntry::TurnStart);
    ASSERT_EQ(source.nextInput(noKeys, input), InputState::Ready);
    EXPECT_EQ(input, (FrameInput{0x0001, 2}));
    EXPECT_EQ(source.nextInput(noKeys, input), InputState::Pending);
    EXPECT_EQ(local.asked, (std::vector<std::uint32_t>{3, 4, 5}));
    // A keep-alive's worth of time later the stream's reach goes, without a run.
    EXPECT_EQ(s.transport.sentOf(MessageType::Inputs).size(), 1u);
    s.client.update(now += OnlineClient::keepAliveMs);
    const Message reach = s.transport.sentOf(MessageType::Inputs).back();
    EXPECT_TRUE(reach.runs.empty());
    EXPECT_EQ(reach.held[0], 6u);
}

TEST(LockstepSource, TheDevicesKeysAndPickMadeWhileHeldGoWithTheNextFrameSent) {
    Session s;
    Match match = Match::fromPosition(MatchState{}, Sfmt19937{}, 0, 0, MatchEntry::TurnStart);
    DeviceSeatInput local;
    std::uint32_t now = 0;
    LockstepInputSource source(
        s.client, match, local, [&] { return now += 16; }, 2);
    bool down[keyboardKeys] = {};
    FrameInput input;
    EXPECT_EQ(source.nextInput(down, input), InputState::Pending);
    // While held: ESC tapped and a cell clicked, both gone by the next call.
    down[keyEscape] = true;
    input = FrameInput{0, 8};
    EXPECT_EQ(source.nextInput(down, input), InputState::Pending);
    down[keyEscape] = false;
    s.transport.deliver(relayed(1, std::vector<FrameInput>(3), 0, 3));
    input = FrameInput{};
    ASSERT_EQ(source.nextInput(down, input), InputState::Ready);
    ASSERT_EQ(source.nextInput(down, input), InputState::Ready);
    s.client.update(now += 16);
    const auto sent = s.transport.sentStream();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[2], FrameInput{}) << "sampled before the tap";
    EXPECT_EQ(sent[3], (FrameInput{0x0001, 8})) << "the next frame sent carries both";
}

TEST(LockstepSource, HashesEverySecondAndResumesFromTheServersCount) {
    Session s(50);
    Match match = Match::fromPosition(MatchState{}, testRandom(), 0, 0, MatchEntry::TurnStart);
    PressedUp local;
    std::uint32_t now = 0;
    LockstepInputSource source(
        s.client, match, local, [&] { return now += 16; }, inputDelayForRoundTrip(0));
    source.corruptHashAt(120);
    const std::vector<FrameInput> blank(130);
    // The server's own frames of this seat come back after the Start, then 2P's.
    s.transport.deliver(
        relayed(0, std::vector<FrameInput>(blank.begin(), blank.begin() + 50), 0, 0));
    s.transport.deliver(relayed(1, blank, 0, 50));
    FrameInput input;
    std::uint32_t played = 0;
    std::uint32_t expected60 = 0;
    for (int call = 0; call < 400 && played < 125; ++call) {
        if (played == 59) {
            expected60 = match.hash();
        }
        if (source.nextInput(noKeys, input) == InputState::Ready) {
            ++played;
        } else {
            // The server says how far it holds this seat's frames as they come.
            s.transport.deliver(relayed(
                1, blank, 130, static_cast<std::uint32_t>(s.transport.sentStream().size())));
        }
    }
    EXPECT_EQ(played, 125u);
    // Nothing before the server's 50 frames was sent again; the change went at once, then the
    // stream's reach every keep-alive: far fewer messages than frames, and the delay for the
    // keep-alive's interval kept the frames coming without a wait.
    ASSERT_FALSE(s.transport.sentOf(MessageType::Inputs).empty());
    EXPECT_GE(s.transport.sentOf(MessageType::Inputs).front().number, 50u);
    EXPECT_LT(s.transport.sentOf(MessageType::Inputs).size(), 30u);
    EXPECT_EQ(source.heldFrames(), 0);
    std::vector<Message> hashes = s.transport.sentOf(MessageType::Hash);
    ASSERT_EQ(hashes.size(), 2u);
    EXPECT_EQ(hashes[0].number, 60u);
    EXPECT_EQ(hashes[0].hash, expected60);
    EXPECT_EQ(hashes[1].number, 120u);
    EXPECT_NE(hashes[1].hash, hashes[0].hash);
}
