// Every message survives a round trip; anything cut short, padded, oversized or out of range is
// refused with a reason, never read past its end.
#include <gtest/gtest.h>

#include "net/input_runs.h"
#include "net/protocol.h"
#include "rng/sfmt19937.h"
#include "support/match_driver.h"

using namespace kokurin;
using namespace kokurin::net;
using namespace testing_support;

namespace {

// One message of every type, each with its fields away from their defaults.
std::vector<Message> sampleMessages() {
    std::vector<Message> all;
    auto add = [&](MessageType type) -> Message& {
        all.emplace_back();
        all.back().type = type;
        return all.back();
    };
    Message& hello = add(MessageType::Hello);
    hello.version = protocolVersion;
    hello.gameVersion = "1.0.0";
    hello.text = "さくら";
    Message& welcome = add(MessageType::Welcome);
    welcome.version = protocolVersion;
    welcome.number = 77;
    welcome.token = 0x0123456789abcdefull;
    Message& refused = add(MessageType::Refused);
    refused.reason = static_cast<std::uint8_t>(RefusalReason::RoomFull);
    refused.text = "ABCD";
    add(MessageType::ListRooms);
    Message& list = add(MessageType::RoomList);
    list.rooms.resize(2);
    list.rooms[0].code = "K7Q2";
    list.rooms[0].names[0] = "ひかる";
    list.rooms[1].code = "ZZZZ";
    list.rooms[1].names[1] = "b";
    list.rooms[1].spectators = 300;
    list.rooms[1].playing = 1;
    Message& create = add(MessageType::CreateRoom);
    create.flag = 1;
    create.text = "ROOM";
    Message& join = add(MessageType::JoinRoom);
    join.flag = 3;
    join.text = "match-1";
    add(MessageType::QuickMatch);
    Message& joined = add(MessageType::Joined);
    joined.text = "match-1";
    joined.seat = spectatorSeat;
    joined.names[0] = "a";
    joined.names[1] = "b";
    Message& start = add(MessageType::Start);
    start.number = 3;
    start.names[0] = "a";
    start.names[1] = "b";
    start.seat = 1;
    start.held[0] = 120;
    start.held[1] = 118;
    start.clock = 90;
    start.lead = 300;
    start.start = freshMatchStart(0, 4242);
    start.start.rotation = 9;
    start.start.keyHolds = 0x00249249u;
    Message& inputs = add(MessageType::Inputs);
    inputs.seat = 1;
    inputs.number = 500;
    inputs.held[0] = 77;
    inputs.held[1] = 500;
    for (int i = 0; i < static_cast<int>(maxInputRuns); ++i) {
        inputs.runs.push_back(InputRun{static_cast<std::uint16_t>(1 + i * 541 % 6000),
                                       FrameInput{static_cast<std::uint16_t>(i * 33 % 4096),
                                                  static_cast<std::uint8_t>(i)}});
        inputs.held[1] += inputs.runs.back().frames;
    }
    Message& hash = add(MessageType::Hash);
    hash.number = 180;
    hash.hash = 0xdeadbeef;
    Message& diverged = add(MessageType::Diverged);
    diverged.number = 240;
    diverged.seat = 1;
    Message& result = add(MessageType::Result);
    result.number = 4000;
    result.hash = 12345;
    result.reason = static_cast<std::uint8_t>(ReplayResult::SecondWon);
    Message& over = add(MessageType::MatchOver);
    over.reason = static_cast<std::uint8_t>(MatchEnd::Gone);
    over.seat = 0;
    over.number = 4001;
    add(MessageType::Rematch);
    add(MessageType::Leave);
    Message& resume = add(MessageType::Resume);
    resume.token = 99;
    resume.text = "K7Q2";
    Message& ping = add(MessageType::Ping);
    ping.number = 123456;
    Message& pong = add(MessageType::Pong);
    pong.number = 654321;
    Message& identify = add(MessageType::Identify);
    for (std::size_t i = 0; i < playerKeyBytes; ++i) {
        identify.ranked.key[i] = static_cast<std::uint8_t>(i * 7 + 1);
    }
    Message& standing = add(MessageType::Standing);
    standing.ranked.standing.name = "さくら";
    standing.ranked.standing.rating = 1527;
    standing.ranked.standing.deviation = 120;
    standing.ranked.standing.rank = 3;
    standing.ranked.standing.games = 12;
    standing.ranked.standing.wins = 8;
    standing.ranked.standing.losses = 4;
    for (std::uint32_t i = 1; i <= maxLeaders; ++i) {
        standing.ranked.standing.leaders.push_back(
            RankedLeader{i, "p" + std::to_string(i), static_cast<std::uint16_t>(2000 - i)});
    }
    add(MessageType::AskStanding);
    add(MessageType::RankedQueue);
    Message& waiting = add(MessageType::RankedWaiting);
    waiting.number = 150;
    Message& rated = add(MessageType::Rated);
    rated.number = 1;
    rated.seat = 1;
    rated.ranked.before[0] = 1512;
    rated.ranked.after[0] = 1527;
    rated.ranked.before[1] = 1600;
    rated.ranked.after[1] = 1585;
    Message& servers = add(MessageType::Servers);
    servers.addresses = {"wss://kokurin-a.example.org/", "ws://10.0.0.2:8620/"};
    return all;
}

bool decodes(const std::vector<std::uint8_t>& bytes, std::string* why = nullptr) {
    Message m;
    std::string error;
    const bool ok = decodeMessage(bytes.data(), bytes.size(), m, error);
    EXPECT_EQ(ok, error.empty());
    if (why != nullptr) {
        *why = error;
    }
    return ok;
}

} // namespace

TEST(Protocol, EveryMessageRoundTripsWithinTheLimit) {
    const std::vector<Message> all = sampleMessages();
    ASSERT_EQ(all.size(), static_cast<std::size_t>(lastMessageType));
    for (const Message& m : all) {
        const std::vector<std::uint8_t> bytes = encodeMessage(m);
        ASSERT_FALSE(bytes.empty()) << int(m.type);
        EXPECT_LE(bytes.size(), maxMessageBytes);
        Message back;
        std::string error;
        ASSERT_TRUE(decodeMessage(bytes.data(), bytes.size(), back, error))
            << int(m.type) << ": " << error;
        EXPECT_TRUE(back == m) << int(m.type);
    }
}

TEST(Protocol, EveryCutAndEveryExtraByteIsRefused) {
    for (const Message& m : sampleMessages()) {
        std::vector<std::uint8_t> bytes = encodeMessage(m);
        for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
            EXPECT_FALSE(decodes({bytes.begin(), bytes.begin() + static_cast<long>(cut)}))
                << int(m.type) << " cut at " << cut;
        }
        bytes.push_back(0);
        std::string why;
        EXPECT_FALSE(decodes(bytes, &why)) << int(m.type);
    }
}

TEST(Protocol, OversizedAndOutOfRangeFieldsAreRefused) {
    std::string why;
    EXPECT_FALSE(decodes(std::vector<std::uint8_t>(maxMessageBytes + 1, 19), &why));
    EXPECT_EQ(why, "the message is larger than any message");
    EXPECT_FALSE(decodes({0}));
    EXPECT_FALSE(decodes({21, 0, 0, 0, 0}));

    Message inputs;
    inputs.type = MessageType::Inputs;
    inputs.runs.assign(maxInputRuns + 1, InputRun{1, FrameInput{}});
    EXPECT_TRUE(encodeMessage(inputs).empty());
    // One run of two frames from frame 3; the stream reaches frame 5.
    inputs.number = 3;
    inputs.held[0] = 5;
    inputs.runs.assign(1, InputRun{2, FrameInput{}});
    std::vector<std::uint8_t> bytes = encodeMessage(inputs);
    ASSERT_EQ(bytes.size(), 20u);
    EXPECT_TRUE(decodes(bytes));
    // Seat 2 sends no inputs; a key past the twelfth does not exist; a run of no frames, runs
    // past the reach and more runs than a message holds are refused.
    bytes[1] = 2;
    EXPECT_FALSE(decodes(bytes));
    bytes[1] = 0;
    bytes[18] = 0x10;
    EXPECT_FALSE(decodes(bytes, &why));
    EXPECT_EQ(why, "an input holds keys that do not exist");
    bytes[18] = 0;
    bytes[15] = 0;
    EXPECT_FALSE(decodes(bytes, &why));
    EXPECT_EQ(why, "a run of no frames");
    bytes[15] = 3;
    EXPECT_FALSE(decodes(bytes, &why));
    EXPECT_EQ(why, "runs past the frames the stream reaches");
    bytes[15] = 2;
    bytes[14] = 121;
    EXPECT_FALSE(decodes(bytes));
    bytes[14] = 1;
    // A reach past the longest replay.
    bytes[2] = 0xff;
    bytes[5] = 0xff;
    EXPECT_FALSE(decodes(bytes));

    Message hash;
    hash.type = MessageType::Hash;
    hash.number = 61;
    EXPECT_FALSE(decodes(encodeMessage(hash)));

    Message hello;
    hello.type = MessageType::Hello;
    hello.text = "a\nb";
    EXPECT_FALSE(decodes(encodeMessage(hello), &why));
    EXPECT_EQ(why, "the name is not printable UTF-8");
    hello.text = "\xe3\x81";
    EXPECT_FALSE(decodes(encodeMessage(hello)));
    hello.text = "\xc0\xaf";
    EXPECT_FALSE(decodes(encodeMessage(hello)));
    hello.text = std::string(maxNameBytes + 1, 'x');
    EXPECT_TRUE(encodeMessage(hello).empty());

    Message start = sampleMessages()[9];
    ASSERT_EQ(start.type, MessageType::Start);
    start.start.opponent = 3;
    EXPECT_FALSE(decodes(encodeMessage(start)));
    start.start.opponent = 0;
    start.start.randomIndex = Sfmt19937::wordCount + 1;
    EXPECT_FALSE(decodes(encodeMessage(start)));
}

TEST(Protocol, RandomBytesNeverReadPastTheirEnd) {
    // Mutations of real messages: most are refused, none may crash (run under the sanitizers).
    Sfmt19937 random;
    random.seed(7);
    int accepted = 0;
    for (const Message& m : sampleMessages()) {
        for (int round = 0; round < 300; ++round) {
            std::vector<std::uint8_t> bytes = encodeMessage(m);
            const int flips = 1 + static_cast<int>(random.nextU32() % 4);
            for (int k = 0; k < flips; ++k) {
                bytes[random.nextU32() % bytes.size()] =
                    static_cast<std::uint8_t>(random.nextU32());
            }
            Message out;
            std::string error;
            accepted += decodeMessage(bytes.data(), bytes.size(), out, error) ? 1 : 0;
        }
    }
    EXPECT_LT(accepted, 20 * 300);
}

TEST(Protocol, TextLimitsAndVerdictsAtTheirMaximumAndOnePast) {
    // A hand-made message whose text is longer than the encoder would write.
    auto withText = [](MessageType type, std::vector<std::uint8_t> head, std::size_t size) {
        std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(type)};
        bytes.insert(bytes.end(), head.begin(), head.end());
        bytes.push_back(static_cast<std::uint8_t>(size));
        bytes.insert(bytes.end(), size, 'A');
        return bytes;
    };
    for (MessageType type : {MessageType::CreateRoom, MessageType::JoinRoom}) {
        EXPECT_TRUE(decodes(withText(type, {0}, maxRoomCodeBytes)));
        EXPECT_FALSE(decodes(withText(type, {0}, maxRoomCodeBytes + 1)));
    }
    const std::vector<std::uint8_t> token(8, 1);
    EXPECT_TRUE(decodes(withText(MessageType::Resume, token, maxRoomCodeBytes)));
    EXPECT_FALSE(decodes(withText(MessageType::Resume, token, maxRoomCodeBytes + 1)));
    std::vector<std::uint8_t> version{1, 0, 0};
    std::vector<std::uint8_t> hello = withText(MessageType::Hello, version, maxNameBytes);
    EXPECT_TRUE(decodes(hello));
    hello = withText(MessageType::Hello, version, maxNameBytes + 1);
    EXPECT_FALSE(decodes(hello));

    Message over;
    over.type = MessageType::MatchOver;
    over.reason = lastMatchEnd;
    over.seat = spectatorSeat;
    EXPECT_EQ(lastMatchEnd, static_cast<std::uint8_t>(MatchEnd::TooLong));
    EXPECT_TRUE(decodes(encodeMessage(over))) << "a match too long";
    over.reason = lastMatchEnd + 1;
    EXPECT_FALSE(decodes(encodeMessage(over)));
}

TEST(Protocol, RankedMessagesAtTheirLimitsAndOnePast) {
    Message refused;
    refused.type = MessageType::Refused;
    refused.reason = static_cast<std::uint8_t>(RefusalReason::RankedRefused);
    refused.text = rankedRefusal::sameKey;
    EXPECT_TRUE(decodes(encodeMessage(refused)));
    refused.reason = static_cast<std::uint8_t>(RefusalReason::RoomMoving) + 1;
    EXPECT_FALSE(decodes(encodeMessage(refused)));

    // Ten leaders at most: the encoder writes no eleventh, the decoder takes none.
    Message standing = sampleMessages()[21];
    ASSERT_EQ(standing.type, MessageType::Standing);
    standing.ranked.standing.leaders.push_back(RankedLeader{11, "x", 1});
    EXPECT_TRUE(encodeMessage(standing).empty());
    standing.ranked.standing.leaders.pop_back();
    std::vector<std::uint8_t> bytes = encodeMessage(standing);
    const std::size_t countAt = 1 + 1 + standing.ranked.standing.name.size() + 2 + 2 + 4 * 4;
    ASSERT_EQ(bytes[countAt], maxLeaders);
    bytes[countAt] = maxLeaders + 1;
    std::string why;
    EXPECT_FALSE(decodes(bytes, &why));
    EXPECT_EQ(why, "too many leaders");

    // A rating's outcome and the receiver's seat are checked; a window is 16 bits.
    Message rated = sampleMessages()[25];
    ASSERT_EQ(rated.type, MessageType::Rated);
    rated.reason = lastRatedOutcome;
    EXPECT_TRUE(decodes(encodeMessage(rated)));
    bytes = encodeMessage(rated);
    bytes[5] = lastRatedOutcome + 1;
    EXPECT_FALSE(decodes(bytes));
    rated.seat = spectatorSeat;
    EXPECT_FALSE(decodes(encodeMessage(rated)));
    Message waiting;
    waiting.type = MessageType::RankedWaiting;
    waiting.number = 0xFFFF;
    EXPECT_TRUE(decodes(encodeMessage(waiting)));
    waiting.number = 0x10000;
    EXPECT_TRUE(encodeMessage(waiting).empty());
}

TEST(Protocol, TheServersProcessesAndTheRoomMovingRoundTripWithinTheirLimits) {
    Message servers;
    servers.type = MessageType::Servers;
    servers.addresses = {"ws://a:8620/", "wss://b.example/play"};
    std::vector<std::uint8_t> bytes = encodeMessage(servers);
    Message back;
    std::string error;
    ASSERT_TRUE(decodeMessage(bytes.data(), bytes.size(), back, error)) << error;
    EXPECT_TRUE(back == servers);
    for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
        EXPECT_FALSE(decodes({bytes.begin(), bytes.begin() + static_cast<long>(cut)}));
    }
    servers.addresses.assign(maxServerAddresses, std::string(200, 'x'));
    EXPECT_LE(encodeMessage(servers).size(), maxMessageBytes) << "the most there may be fits";
    EXPECT_TRUE(decodes(encodeMessage(servers)));
    servers.addresses.push_back("ws://one-too-many/");
    EXPECT_TRUE(encodeMessage(servers).empty());
    EXPECT_FALSE(decodes({27, static_cast<std::uint8_t>(maxServerAddresses + 1)}));
    EXPECT_FALSE(decodes({27, 1, 0})) << "an empty address";
    EXPECT_FALSE(decodes({28})) << "a type past the known ones";

    Message moving;
    moving.type = MessageType::Refused;
    moving.reason = static_cast<std::uint8_t>(RefusalReason::RoomMoving);
    moving.text = "K7Q2";
    EXPECT_EQ(lastRefusalReason, moving.reason);
    EXPECT_TRUE(decodes(encodeMessage(moving)));
    moving.reason = lastRefusalReason + 1;
    EXPECT_FALSE(decodes(encodeMessage(moving)));
}

TEST(InputRuns, EveryStreamGoesThroughTheMessagesAsItIs) {
    Sfmt19937 random;
    random.seed(11);
    for (int round = 0; round < 300; ++round) {
        // Keys that change now and then, or on every frame (a run each).
        const std::uint32_t length = random.nextU32() % 3000;
        const std::uint32_t every = 1 + random.nextU32() % (round % 3 == 0 ? 2 : 90);
        std::vector<FrameInput> stream;
        FrameInput input;
        for (std::uint32_t f = 0; f < length; ++f) {
            if (random.nextU32() % every == 0) {
                input = FrameInput{static_cast<std::uint16_t>(random.nextU32() % 4096),
                                   static_cast<std::uint8_t>(random.nextU32() % 3)};
            }
            stream.push_back(input);
        }
        // Sent in pieces as a client sends them; the receiver knows its last frame, or (the
        // first message after a resume) is not taken to.
        std::vector<FrameInput> heard;
        std::uint32_t from = 0;
        while (from < length) {
            const std::uint32_t to = std::min(length, from + 1 + random.nextU32() % 400);
            const bool known = random.nextU32() % 4 != 0;
            while (from < to) {
                Message m;
                const std::uint32_t reach = writeStream(stream, 1, from, to, known, m);
                ASSERT_GT(reach, from);
                const std::vector<std::uint8_t> bytes = encodeMessage(m);
                ASSERT_FALSE(bytes.empty());
                ASSERT_LE(bytes.size(), maxMessageBytes);
                Message back;
                std::string error;
                ASSERT_TRUE(decodeMessage(bytes.data(), bytes.size(), back, error)) << error;
                EXPECT_EQ(extendStream(heard, back, replayMaxFrames), reach - from);
                from = reach;
            }
        }
        ASSERT_EQ(heard, stream) << "round " << round;
    }
}

TEST(InputRuns, HeldFramesStayTheGapRepeatsTheLastAndTheReachIsBounded) {
    const FrameInput w{4, 0};
    const FrameInput pick{0, 3};
    std::vector<FrameInput> held(10, w);
    // From frame 4 (held already) a run of pick to frame 12, reaching 15: frames 10..11 are the
    // run's, 12..14 repeat it.
    Message m;
    m.type = MessageType::Inputs;
    m.number = 4;
    m.runs = {InputRun{8, pick}};
    m.held[0] = 15;
    EXPECT_EQ(extendStream(held, m, replayMaxFrames), 5u);
    std::vector<FrameInput> expected(10, w);
    expected.insert(expected.end(), 5, pick);
    EXPECT_EQ(held, expected);
    // A change at frame 20: the frames before it repeat the last held; nothing past `most`.
    m.number = 20;
    m.runs = {InputRun{1, w}};
    m.held[0] = 30;
    EXPECT_EQ(extendStream(held, m, 25), 10u);
    expected.insert(expected.end(), 5, pick);
    expected.insert(expected.end(), 5, w);
    EXPECT_EQ(held, expected);
    // Nothing new: nothing changes.
    EXPECT_EQ(extendStream(held, m, 25), 0u);
    EXPECT_EQ(held, expected);
    // The last frame held repeats while nothing changes: no run at all.
    Message keep;
    EXPECT_EQ(writeStream(held, 0, 22, 25, true, keep), 25u);
    EXPECT_TRUE(keep.runs.empty());
    EXPECT_EQ(keep.held[0], 25u);
}
