// ServerLobby through its Outbox: every way a match ends and its verdict, seats and resume
// tokens, spectators, the quick-match queue, rematches and the asynchronous check, and every
// limit at exactly its maximum and one past it.
#include <gtest/gtest.h>

#include "lobby_rig.h"

namespace kokurin::testing {
namespace {

using net::MatchEnd;
using net::Message;
using net::MessageType;
using net::RefusalReason;

// Two players in room DUEL with their match started.
struct Duel : LobbyRig {
    explicit Duel(ServerLobbyOptions options = {}) : LobbyRig(std::move(options)) {
        alice = hello("alice");
        bob = hello("bob");
        create(alice, "duel");
        join(bob, "DUEL");
    }
    // Both seats' frames to `frames`, the same keys.
    void play(std::uint32_t from, std::uint32_t frames, std::uint16_t keysA = 0,
              std::uint16_t keysB = 0) {
        inputs(alice, 0, from, frames - from, keysA);
        inputs(bob, 1, from, frames - from, keysB);
    }
    Message over(ClientId c) const { return last(c, MessageType::MatchOver); }
    ClientId alice = 0;
    ClientId bob = 0;
};

void expectVerdict(const Message& over, MatchEnd how, int winner, const char* what) {
    EXPECT_EQ(over.type, MessageType::MatchOver) << what;
    EXPECT_EQ(over.reason, static_cast<std::uint8_t>(how)) << what;
    EXPECT_EQ(over.seat, winner) << what;
}

TEST(ServerLobbyVerdict, EveryWayAMatchEnds) {
    {
        Duel d;
        ASSERT_EQ(d.last(d.alice, MessageType::Start).seat, 0);
        ASSERT_EQ(d.last(d.bob, MessageType::Start).seat, 1);
        d.referee.winAt = 200;
        d.referee.winSeat = 1;
        d.play(0, 300);
        d.result(d.alice, 200);
        EXPECT_EQ(d.over(d.alice).type, MessageType::Ping) << "one Result waits for the other";
        d.result(d.bob, 200);
        expectVerdict(d.over(d.alice), MatchEnd::Winner, 1, "the re-play's winner");
        EXPECT_EQ(d.over(d.alice).number, 200u);
        EXPECT_EQ(d.referee.checked.back().frames, 200u);
    }
    {
        Duel d;
        d.play(0, 100);
        d.inputs(d.alice, 0, 100, 1, 1u);
        d.inputs(d.bob, 1, 100, 1, 0);
        d.result(d.alice, 101);
        d.result(d.bob, 101);
        expectVerdict(d.over(d.bob), MatchEnd::Left, 1, "ESC in 1P's stream: 2P wins");
    }
    for (int leaver = 0; leaver < 2; ++leaver) {
        Duel d;
        d.play(0, 60);
        d.leave(leaver == 0 ? d.alice : d.bob);
        const ClientId stayer = leaver == 0 ? d.bob : d.alice;
        expectVerdict(d.over(stayer), MatchEnd::Left, 1 - leaver, "the one who stays wins");
    }
    {
        ServerLobbyOptions options;
        options.stallMs = 3000;
        Duel d(options);
        d.play(0, 60);
        d.disconnect(d.bob);
        Message ping;
        ping.type = MessageType::Ping;
        for (int i = 0; i < 32; ++i) {
            if (i == 29) {
                EXPECT_EQ(d.over(d.alice).type, MessageType::Ping) << "within the stall timeout";
            }
            d.advance(100);
            d.send(d.alice, ping);
        }
        expectVerdict(d.over(d.alice), MatchEnd::Gone, 0, "2P gone past the stall timeout");
    }
    {
        ServerLobbyOptions options;
        options.maxMatchFrames = 600;
        options.maxLeadFrames = 1000;
        Duel d(options);
        d.play(0, 600);
        EXPECT_EQ(d.over(d.alice).type, MessageType::Ping) << "exactly the longest match";
        d.inputs(d.alice, 0, 600, 1);
        expectVerdict(d.over(d.bob), MatchEnd::TooLong, 2, "one frame past it");
        EXPECT_EQ(d.over(d.bob).number, 600u);
        EXPECT_EQ(d.streamHeard(d.bob, 0).size(), 600u) << "the frame past it is not relayed";
    }
}

TEST(ServerLobbyVerdict, AFalseHashNamesItsSenderAndChangesNoVerdict) {
    {
        // Bob is losing and says the games parted at frame 60.
        Duel d;
        d.play(0, 120);
        std::vector<FrameInput> a(120), b(120);
        d.hash(d.alice, 60, fakeHash(a, b, 60));
        d.hash(d.bob, 60, 12345);
        const std::vector<Message> diverged = d.heard(d.alice, MessageType::Diverged);
        ASSERT_EQ(diverged.size(), 1u);
        EXPECT_EQ(diverged[0].seat, 1) << "the re-play names the liar";
        EXPECT_EQ(diverged[0].number, 60u);
        expectVerdict(d.over(d.alice), MatchEnd::Diverged, 0, "the honest player wins");
    }
    {
        // A made-up hash for a match the re-play says was won.
        Duel d;
        d.referee.winAt = 90;
        d.referee.winSeat = 0;
        d.play(0, 120);
        d.hash(d.bob, 60, 1);
        d.result(d.alice, 90);
        d.result(d.bob, 90);
        expectVerdict(d.over(d.bob), MatchEnd::Winner, 0, "the win stands");
        ASSERT_EQ(d.heard(d.bob, MessageType::Diverged).size(), 1u);
        EXPECT_EQ(d.heard(d.bob, MessageType::Diverged)[0].seat, 1);
    }
}

TEST(ServerLobbyRelay, EveryoneIsSentWhatTheyLackOnceAndThePlayersOwnFramesAreNotEchoed) {
    Duel d;
    const ClientId watcher = d.hello("watch");
    d.join(watcher, "DUEL", 1);
    auto inputsTo = [&](ClientId c) { return d.heard(c, MessageType::Inputs); };
    // Alice's stream: how far it reaches while nothing changes, W held for five frames, then
    // nothing again.
    d.inputs(d.alice, 0, 0, 10);
    d.inputs(d.alice, 0, 10, 5, 4);
    d.inputs(d.alice, 0, 15, 25);
    std::vector<FrameInput> expected(40);
    std::fill(expected.begin() + 10, expected.begin() + 15, FrameInput{4, 0});
    for (ClientId c : {d.bob, watcher}) {
        EXPECT_EQ(d.streamHeard(c, 0), expected);
        ASSERT_EQ(inputsTo(c).size(), 3u) << "one message for each of alice's";
        for (const Message& m : inputsTo(c)) {
            EXPECT_LE(encodeMessage(m).size(), 20u) << "a change is one run, a reach none";
        }
    }
    EXPECT_TRUE(inputsTo(d.alice).empty()) << "alice is ahead: nothing to tell her";

    // Bob, behind alice: his frames go to her with how far the server holds hers, and he is
    // told at once how far the server holds his own (he plays up to the lesser of the two).
    d.inputs(d.bob, 1, 0, 20, 0x80);
    const Message toAlice = d.last(d.alice, MessageType::Inputs);
    EXPECT_EQ(toAlice.seat, 1);
    EXPECT_EQ(toAlice.held[0], 40u);
    const Message toBob = d.last(d.bob, MessageType::Inputs);
    EXPECT_EQ(toBob.seat, 0);
    EXPECT_TRUE(toBob.runs.empty());
    EXPECT_EQ(toBob.held[1], 20u);
    EXPECT_EQ(inputsTo(d.bob).size(), 4u);
    // A message that says nothing new is relayed to nobody.
    d.inputs(d.bob, 1, 0, 20, 0x80);
    EXPECT_EQ(inputsTo(d.bob).size() + inputsTo(d.alice).size() + inputsTo(watcher).size(), 9u);

    // A spectator arriving late is sent the match so far, the same frames.
    const ClientId late = d.hello("late");
    d.join(late, "DUEL", 1);
    EXPECT_EQ(d.streamHeard(late, 0), expected);
    EXPECT_EQ(d.streamHeard(late, 1), std::vector<FrameInput>(20, FrameInput{0x80, 0}));
    d.inputs(d.alice, 0, 40, 20);
    for (ClientId c : {d.bob, watcher, late}) {
        EXPECT_EQ(d.streamHeard(c, 0).size(), 60u);
    }
    EXPECT_TRUE(d.out.faults.empty()) << d.out.faults.front();
}

TEST(ServerLobbyRelay, AStreamRunningFarAheadOfTheMatchsClockIsRefused) {
    ServerLobbyOptions options;
    options.maxLeadFrames = 300;
    Duel d(options);
    const Message start = d.last(d.alice, MessageType::Start);
    EXPECT_EQ(start.clock, 0u);
    EXPECT_EQ(start.lead, 300u);
    d.inputs(d.alice, 0, 0, 300);
    EXPECT_FALSE(d.closed(d.alice)) << "exactly the lead at the start";
    d.advance(1000);
    d.inputs(d.bob, 1, 0, 60);
    d.inputs(d.alice, 0, 300, 60);
    EXPECT_FALSE(d.closed(d.alice)) << "a second later, a second more";
    // Bob comes back on a new connection: his Start says how far the clock has run.
    const std::uint64_t token = d.token(d.bob);
    d.disconnect(d.bob);
    d.advance(500);
    const ClientId back = d.hello("bob");
    d.resume(back, token, "DUEL");
    EXPECT_EQ(d.last(back, MessageType::Start).clock, 90u);
    d.inputs(d.alice, 0, 360, 31);
    EXPECT_TRUE(d.closed(d.alice)) << "one frame past the lead";
    const Message refused = d.last(d.alice, MessageType::Refused);
    EXPECT_EQ(refused.reason, static_cast<std::uint8_t>(RefusalReason::Flooding));
    EXPECT_EQ(refused.text, "inputs ahead of the match's clock");
    expectVerdict(d.over(back), MatchEnd::Left, 1, "the one who ran ahead loses");
    EXPECT_EQ(d.streamHeard(back, 0).size(), 360u) << "and nothing past the lead was relayed";
}

TEST(ServerLobbyLimits, AClientOfTheFirstVersionIsToldWhatToInstall) {
    LobbyRig rig;
    const ClientId old = rig.connect();
    // Hello as the first version wrote it: the type, u16 version 1, the game version, a name.
    rig.sendBytes(old, {1, 1, 0, 5, '1', '.', '0', '.', '0', 3, 'o', 'l', 'd'});
    EXPECT_TRUE(rig.closed(old));
    const Message refused = rig.last(old, MessageType::Refused);
    EXPECT_EQ(refused.reason, static_cast<std::uint8_t>(RefusalReason::WrongVersion));
    EXPECT_EQ(refused.text, std::string(gameVersion()) + " (online play version 2)");
}

TEST(ServerLobbySeats, OnlyTheResumeTokenGivesASeatBack) {
    Duel d;
    const std::uint64_t bobToken = d.token(d.bob);
    EXPECT_NE(bobToken, 0u);
    EXPECT_NE(bobToken, d.token(d.alice));
    d.play(0, 60);
    d.disconnect(d.bob);
    const ClientId impostor = d.hello("bob");
    d.join(impostor, "DUEL");
    EXPECT_EQ(d.last(impostor, MessageType::Refused).reason,
              static_cast<std::uint8_t>(RefusalReason::RoomFull))
        << "the same name takes no seat";
    EXPECT_TRUE(d.heard(impostor, MessageType::Start).empty());
    // The impostor guesses tokens: each wrong one watches, past the limit it is closed.
    for (int i = 0; i < 5; ++i) {
        d.resume(impostor, bobToken ^ (1ull << i), "DUEL");
        EXPECT_FALSE(d.closed(impostor)) << "wrong token " << i + 1;
    }
    EXPECT_EQ(d.last(impostor, MessageType::Joined).seat, net::spectatorSeat);
    d.resume(impostor, bobToken ^ 64, "DUEL");
    EXPECT_TRUE(d.closed(impostor)) << "the sixth wrong token";
    EXPECT_EQ(d.last(impostor, MessageType::Refused).reason,
              static_cast<std::uint8_t>(RefusalReason::ResumeUnknown));

    const ClientId back = d.hello("bob");
    d.resume(back, bobToken, "duel");
    const Message start = d.last(back, MessageType::Start);
    EXPECT_EQ(start.seat, 1) << "the right token takes the seat back";
    EXPECT_EQ(start.held[1], 60u);
    EXPECT_EQ(d.streamHeard(back, 0).size(), 60u) << "both streams resent";
    EXPECT_EQ(d.streamHeard(back, 1).size(), 60u);
    d.play(60, 120);
    EXPECT_EQ(d.over(d.alice).type, MessageType::Ping) << "the match plays on";
}

TEST(ServerLobbySeats, SpectatorsUpToTheCap) {
    ServerLobbyOptions options;
    options.maxSpectators = 3;
    Duel d(options);
    d.play(0, 130);
    std::vector<ClientId> watchers;
    for (int i = 0; i < 4; ++i) {
        watchers.push_back(d.hello("w" + std::to_string(i)));
        d.join(watchers.back(), "DUEL", 1);
    }
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(d.last(watchers[i], MessageType::Joined).seat, net::spectatorSeat);
        EXPECT_EQ(d.streamHeard(watchers[i], 0).size(), 130u) << "the match so far";
        EXPECT_EQ(d.streamHeard(watchers[i], 1).size(), 130u);
    }
    EXPECT_EQ(d.last(watchers[3], MessageType::Refused).reason,
              static_cast<std::uint8_t>(RefusalReason::RoomFull));
    d.leave(watchers[0]);
    d.join(watchers[3], "DUEL", 1);
    EXPECT_EQ(d.last(watchers[3], MessageType::Joined).seat, net::spectatorSeat);
    // A third player finds the seats taken.
    const ClientId carol = d.hello("carol");
    d.join(carol, "DUEL");
    EXPECT_EQ(d.last(carol, MessageType::Refused).reason,
              static_cast<std::uint8_t>(RefusalReason::RoomFull));
}

TEST(ServerLobbyMatches, RematchesHaveFreshSeedsAndWaitForTheVerdict) {
    Duel d;
    d.completeChecks = false;
    d.play(0, 60);
    d.leave(d.bob);
    EXPECT_EQ(d.lobby->checksPending(), 1u);
    EXPECT_EQ(d.over(d.alice).type, MessageType::Ping) << "no verdict before the re-play";
    d.join(d.bob, "DUEL");
    d.rematch(d.alice);
    d.rematch(d.bob);
    EXPECT_EQ(d.heard(d.alice, MessageType::Start).size(), 1u) << "the rematch waits";
    d.referee.completeAll();
    expectVerdict(d.over(d.alice), MatchEnd::Left, 0, "the first match's verdict");
    const std::vector<Message> starts = d.heard(d.alice, MessageType::Start);
    ASSERT_EQ(starts.size(), 2u) << "then the rematch starts";
    EXPECT_EQ(starts[1].number, 2u);
    EXPECT_NE(starts[0].start.seed, starts[1].start.seed);
    EXPECT_EQ(starts[1].held[0], 0u) << "fresh streams";

    // A check that comes back after everyone left still saves; nobody is sent anything.
    d.play(0, 60);
    d.leave(d.alice);
    d.leave(d.bob);
    d.advance(200);
    const auto sentBefore = d.out.heard[d.alice].size();
    d.referee.completeAll();
    EXPECT_EQ(d.out.heard[d.alice].size(), sentBefore);
    EXPECT_EQ(d.lobby->matchesFinished(), 2);
    EXPECT_TRUE(d.out.faults.empty()) << d.out.faults.front();
}

TEST(ServerLobbyMatches, TheFirstAskForARematchIsHeardByTheOtherPlayerOnce) {
    Duel d;
    d.referee.winAt = 200;
    d.referee.winSeat = 0;
    d.play(0, 300);
    d.result(d.alice, 200);
    d.result(d.bob, 200);
    expectVerdict(d.over(d.bob), MatchEnd::Winner, 0, "the re-play's winner");
    d.rematch(d.alice);
    d.rematch(d.alice);
    EXPECT_EQ(d.heard(d.bob, MessageType::Rematch).size(), 1u) << "heard of, once";
    d.rematch(d.bob);
    EXPECT_EQ(d.heard(d.alice, MessageType::Start).size(), 2u) << "both asked: the next match";
    EXPECT_TRUE(d.heard(d.alice, MessageType::Rematch).empty()) << "the asker is never told";
}

TEST(ServerLobbyQueue, QuickMatchPairsAndLeaveLeavesTheQueue) {
    LobbyRig rig;
    const ClientId a = rig.hello("a1");
    const ClientId b = rig.hello("b2");
    const ClientId c = rig.hello("c3");
    rig.quick(a);
    rig.leave(a);
    rig.quick(b);
    rig.quick(c);
    EXPECT_TRUE(rig.heard(a, MessageType::Joined).empty()) << "a left the queue";
    const Message joinedB = rig.last(b, MessageType::Joined);
    const Message joinedC = rig.last(c, MessageType::Joined);
    EXPECT_EQ(joinedB.text, joinedC.text);
    EXPECT_EQ(joinedB.text.size(), 5u);
    EXPECT_EQ(joinedB.seat, 0);
    EXPECT_EQ(joinedC.seat, 1);
    EXPECT_EQ(rig.heard(b, MessageType::Start).size(), 1u);
}

TEST(ServerLobbyLimits, HelloTimeoutAndFloodAtTheirMaximum) {
    ServerLobbyOptions options;
    options.helloTimeoutMs = 5000;
    LobbyRig rig(options);
    const ClientId silent = rig.connect();
    const ClientId late = rig.connect();
    rig.advance(5000);
    rig.send(late, helloMessage("late"));
    EXPECT_EQ(rig.last(late, MessageType::Welcome).type, MessageType::Welcome)
        << "Hello at exactly the timeout";
    EXPECT_FALSE(rig.closed(silent));
    rig.advance(100);
    EXPECT_TRUE(rig.closed(silent)) << "no Hello past the timeout";
    EXPECT_FALSE(rig.closed(late));

    // 400 messages at once are allowed, the 401st is not.
    const ClientId busy = rig.hello("busy");
    rig.advance(1000);
    Message ping;
    ping.type = MessageType::Ping;
    for (int i = 0; i < 400; ++i) {
        rig.send(busy, ping);
    }
    EXPECT_FALSE(rig.closed(busy));
    rig.send(busy, ping);
    EXPECT_TRUE(rig.closed(busy));
    EXPECT_EQ(rig.last(busy, MessageType::Refused).reason,
              static_cast<std::uint8_t>(RefusalReason::Flooding));
}

TEST(ServerLobbyLimits, TheServersOwnStallIsNoFlood) {
    LobbyRig rig;
    const ClientId player = rig.hello("steady");
    const ClientId flooder = rig.hello("flood");
    rig.advance(1000);
    // The server stalls 6.6 s; the player's 62 messages a second arrive at once after it.
    rig.now += 6600;
    Message ping;
    ping.type = MessageType::Ping;
    for (int i = 0; i < 62 * 66 / 10 + 400; ++i) {
        rig.send(player, ping);
    }
    EXPECT_FALSE(rig.closed(player)) << "what queued during the stall is forgiven";
    // A second later the stall's credit is gone: a burst past the bucket is a flood.
    rig.advance(1100);
    for (int i = 0; i < 401; ++i) {
        rig.send(flooder, ping);
    }
    EXPECT_TRUE(rig.closed(flooder));
}

TEST(ServerLobbyLog, RoomsMatchesVerdictsAndRefusals) {
    Duel d;
    d.leave(d.bob);
    const ClientId x = d.hello("x");
    d.join(x, "NOPE");
    EXPECT_TRUE(d.log.has("room DUEL made by alice")) << d.log.lines.front();
    EXPECT_TRUE(d.log.has("match DUEL #1 started: alice against bob"));
    EXPECT_TRUE(d.log.has("match DUEL #1 over after 0 frames: left, winner alice"));
    EXPECT_TRUE(d.log.has("no such room: NOPE"));
}

} // namespace
} // namespace kokurin::testing

namespace kokurin::testing {
namespace {

TEST(ServerLobbyLimits, NamesAndCodesAtTheirMaximumAndOnePast) {
    LobbyRig rig;
    const ClientId longest = rig.hello(" " + std::string(16, 'n') + " ");
    EXPECT_FALSE(rig.closed(longest)) << "16 characters";
    rig.create(longest, "abcd1234");
    EXPECT_EQ(rig.last(longest, MessageType::Joined).text, "ABCD1234") << "8 characters";
    EXPECT_EQ(rig.last(longest, MessageType::Joined).names[0], std::string(16, 'n'))
        << "the name trimmed";
    const ClientId shortest = rig.hello("n");
    rig.join(shortest, "ABCD1234");
    EXPECT_EQ(rig.last(shortest, MessageType::Joined).seat, 1);
    rig.create(shortest, "ABC");
    EXPECT_EQ(rig.last(shortest, MessageType::Refused).reason,
              static_cast<std::uint8_t>(RefusalReason::RoomUnknown))
        << "3 characters";
    const ClientId tooLong = rig.hello(std::string(17, 'n'));
    EXPECT_TRUE(rig.closed(tooLong));
    EXPECT_EQ(rig.last(tooLong, MessageType::Refused).reason,
              static_cast<std::uint8_t>(RefusalReason::Malformed));
    const ClientId hidden = rig.hello("a\xe2\x80\x8b" "b");
    EXPECT_TRUE(rig.closed(hidden)) << "a zero-width space";
}

} // namespace
} // namespace kokurin::testing
