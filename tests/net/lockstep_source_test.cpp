// The online frames: sent ahead by the input delay, held until both seats' inputs are back,
// merged seat by seat, hashed every second, resumed from what the server holds.
#include <gtest/gtest.h>

#include <deque>

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

    // Every frame sent, batches taken apart: (frame, input).
    std::vector<std::pair<std::uint32_t, FrameInput>> sentFrames() {
        std::vector<std::pair<std::uint32_t, FrameInput>> out;
        for (const Message& m : sentOf(MessageType::Inputs)) {
            for (std::size_t i = 0; i < m.inputs.size(); ++i) {
                out.emplace_back(m.number + static_cast<std::uint32_t>(i), m.inputs[i]);
            }
        }
        return out;
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

Message inputsOf(int seat, std::uint32_t first, std::vector<FrameInput> inputs) {
    Message m;
    m.type = MessageType::Inputs;
    m.seat = static_cast<std::uint8_t>(seat);
    m.number = first;
    m.inputs = std::move(inputs);
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

TEST(LockstepSource, SendsAheadByTheDelayAndHoldsUntilBothSeatsArrive) {
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
    // The first frame leaves at once, the rest of its batch with the next frame's update.
    EXPECT_EQ(s.transport.sentFrames().size(), 1u);
    s.client.update(now += 16);
    auto sent = s.transport.sentFrames();
    ASSERT_EQ(sent.size(), 4u);
    for (std::uint32_t f = 0; f < 4; ++f) {
        EXPECT_EQ(sent[f].first, f);
        EXPECT_EQ(sent[f].second, f == 3 ? (FrameInput{0x0004, 5}) : FrameInput{});
    }
    EXPECT_EQ(local.asked, std::vector<std::uint32_t>{3});

    // Only this seat's own echo: still held, and nothing more is sent while held.
    s.transport.deliver(inputsOf(0, 0, {{}, {}, {}, {0x0004, 5}}));
    EXPECT_EQ(source.nextInput(noKeys, input), InputState::Pending);
    EXPECT_EQ(s.transport.sentFrames().size(), 4u);

    s.transport.deliver(inputsOf(1, 0, {{0x0100, 0}, {0x0001, 2}}));
    ASSERT_EQ(source.nextInput(noKeys, input), InputState::Ready);
    EXPECT_EQ(input, (FrameInput{0x0100, 0}));
    state.currentPlayer = 1;
    match = Match::fromPosition(state, Sfmt19937{}, 0, 0, MatchEntry::TurnStart);
    ASSERT_EQ(source.nextInput(noKeys, input), InputState::Ready);
    EXPECT_EQ(input, (FrameInput{0x0001, 2}));
    EXPECT_EQ(source.nextInput(noKeys, input), InputState::Pending);
    EXPECT_EQ(local.asked, (std::vector<std::uint32_t>{3, 4, 5}));
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
    s.transport.deliver(inputsOf(0, 0, {{}, {}, {}}));
    s.transport.deliver(inputsOf(1, 0, {{}, {}, {}}));
    input = FrameInput{};
    ASSERT_EQ(source.nextInput(down, input), InputState::Ready);
    ASSERT_EQ(source.nextInput(down, input), InputState::Ready);
    s.client.update(now += 16);
    const auto sent = s.transport.sentFrames();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[2].second, FrameInput{}) << "sampled before the tap";
    EXPECT_EQ(sent[3].second, (FrameInput{0x0001, 8})) << "the next frame sent carries both";
}

TEST(LockstepSource, HashesEverySecondAndResumesFromTheServersCount) {
    Session s(50);
    Match match = Match::fromPosition(MatchState{}, testRandom(), 0, 0, MatchEntry::TurnStart);
    PressedUp local;
    // A headless client: many frames within one batch's time.
    std::uint32_t now = 0;
    LockstepInputSource source(
        s.client, match, local, [&] { return ++now; }, 2);
    source.corruptHashAt(120);
    std::vector<FrameInput> blank(130);
    s.transport.deliver(inputsOf(0, 0, std::vector<FrameInput>(blank.begin(), blank.begin() + 50)));
    s.transport.deliver(
        inputsOf(1, 0, std::vector<FrameInput>(blank.begin(), blank.begin() + 120)));
    s.transport.deliver(
        inputsOf(1, 120, std::vector<FrameInput>(blank.begin(), blank.begin() + 10)));
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
            // The server echoes this seat's frames as they come.
            std::uint32_t have = static_cast<std::uint32_t>(s.client.stream(0).size());
            for (const auto& frame : s.transport.sentFrames()) {
                if (frame.first == have) {
                    s.transport.deliver(inputsOf(0, have, {frame.second}));
                    ++have;
                }
            }
        }
    }
    EXPECT_EQ(played, 125u);
    // Nothing before the server's 50 frames was sent again.
    EXPECT_EQ(s.transport.sentFrames().front().first, 50u);
    // Batched: far fewer messages than frames.
    EXPECT_LT(s.transport.sentOf(MessageType::Inputs).size(), 40u);
    std::vector<Message> hashes = s.transport.sentOf(MessageType::Hash);
    ASSERT_EQ(hashes.size(), 2u);
    EXPECT_EQ(hashes[0].number, 60u);
    EXPECT_EQ(hashes[0].hash, expected60);
    EXPECT_EQ(hashes[1].number, 120u);
    EXPECT_NE(hashes[1].hash, hashes[0].hash);
}
