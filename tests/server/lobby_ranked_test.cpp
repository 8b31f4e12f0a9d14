// The lobby's ranked play through its Outbox and fake records: keys claiming names, the queue
// pairing by rating within windows that widen as players wait, a key never playing itself, and
// which of a ranked room's verdicts are rated (the record asked for and the Rated each player
// hears).
#include <gtest/gtest.h>

#include "lobby_rig.h"

namespace kokurin::testing {
namespace {

using net::MatchEnd;
using net::Message;
using net::MessageType;
using net::RatedOutcome;
using net::RefusalReason;

struct RankedRig : LobbyRig {
    explicit RankedRig(ServerLobbyOptions options = {})
        : LobbyRig(sentAtOnce(options), nullptr, true) {}

    // These tests send a match's frames at once, ahead of any clock.
    static ServerLobbyOptions sentAtOnce(ServerLobbyOptions options) {
        options.maxLeadFrames = 100000;
        return options;
    }

    // Connected, greeted and identified with a key of `keyByte`s, rated `rating`.
    ClientId player(const std::string& name, std::uint8_t keyByte, double rating = 1500) {
        const ClientId c = hello(name);
        send(c, identifyMessage(keyByte));
        records.ratings[records.players[hexOf(keyByte)]] = rating;
        return c;
    }
    static std::string hexOf(std::uint8_t b) {
        static const char digits[] = "0123456789abcdef";
        std::string hex;
        for (std::size_t i = 0; i < net::playerKeyBytes; ++i) {
            hex.push_back(digits[b >> 4]);
            hex.push_back(digits[b & 15]);
        }
        return hex;
    }
    void queue(ClientId c) {
        Message m;
        m.type = MessageType::RankedQueue;
        send(c, m);
    }
    bool joined(ClientId c) const { return !heard(c, MessageType::Joined).empty(); }
    std::vector<std::uint32_t> windows(ClientId c) const {
        std::vector<std::uint32_t> told;
        for (const Message& m : heard(c, MessageType::RankedWaiting)) {
            told.push_back(m.number);
        }
        return told;
    }
    Message refusal(ClientId c) const { return last(c, MessageType::Refused); }
};

void expectRefused(const Message& m, RefusalReason reason, const std::string& text,
                   const char* what) {
    EXPECT_EQ(m.type, MessageType::Refused) << what;
    EXPECT_EQ(m.reason, static_cast<std::uint8_t>(reason)) << what;
    EXPECT_EQ(m.text, text) << what;
}

TEST(RankedQueue, PairsWithinAWindowThatWidensAsPlayersWait) {
    RankedRig rig;
    const ClientId ann = rig.player("ann", 1, 1500);
    const ClientId bob = rig.player("bob", 2, 1700);
    const ClientId cy = rig.player("cy", 3, 1600);
    rig.queue(ann);
    rig.queue(bob);
    EXPECT_FALSE(rig.joined(ann)) << "200 points apart: too far at first";
    EXPECT_EQ(rig.windows(ann), std::vector<std::uint32_t>{100});
    // Cy is within 100 of both; Ann has waited longer and is served first.
    rig.queue(cy);
    ASSERT_TRUE(rig.joined(ann));
    EXPECT_EQ(rig.last(ann, MessageType::Joined).text, rig.last(cy, MessageType::Joined).text);
    EXPECT_EQ(rig.last(ann, MessageType::Start).seat, 0);
    EXPECT_EQ(rig.last(cy, MessageType::Start).seat, 1);
    EXPECT_FALSE(rig.joined(bob));

    // Bob (1700) and Dee (1500): 200 apart, met once both windows are 200 (10 s), not before.
    rig.leave(bob);
    rig.advance(1000);
    const ClientId dee = rig.player("dee", 4, 1500);
    rig.queue(bob);
    rig.queue(dee);
    rig.advance(9900);
    EXPECT_FALSE(rig.joined(dee));
    EXPECT_EQ(rig.windows(dee), (std::vector<std::uint32_t>{100, 150}));
    rig.advance(100);
    EXPECT_TRUE(rig.joined(dee)) << "paired at exactly 10 s";
    EXPECT_EQ(rig.last(dee, MessageType::Joined).text, rig.last(bob, MessageType::Joined).text);

    // Each player's own window counts: Eve has waited 20 s (300 points), Fay, 300 above her, has
    // just come (100); they meet once Fay has waited 20 s too.
    const ClientId eve = rig.player("eve", 5, 1500);
    const ClientId fay = rig.player("fay", 6, 1800);
    rig.queue(eve);
    rig.advance(20000);
    rig.queue(fay);
    rig.advance(19900);
    EXPECT_FALSE(rig.joined(eve));
    rig.advance(100);
    EXPECT_TRUE(rig.joined(eve));
    EXPECT_TRUE(rig.out.faults.empty());
}

TEST(RankedQueue, TheClosestRatingWithinBothWindowsAndNeverTheSamePlayer) {
    std::vector<RankedWaiter> waiters = {
        {1, 10, 1500, 0}, {2, 11, 1590, 1000}, {3, 12, 1540, 2000}, {4, 10, 1500, 3000}};
    // At 4 s every window is 100: the oldest (player 10) takes the closest, 1540, never client 4
    // (player 10 again); 1590 then meets client 4, 90 below.
    const auto pairs = pairRankedWaiters(waiters, 4000);
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[0].first.client, 1u);
    EXPECT_EQ(pairs[0].second.client, 3u);
    EXPECT_EQ(pairs[1].first.client, 2u);
    EXPECT_EQ(pairs[1].second.client, 4u);
    EXPECT_TRUE(waiters.empty());

    std::vector<RankedWaiter> same = {{1, 10, 1500, 0}, {2, 10, 1500, 0}};
    EXPECT_TRUE(pairRankedWaiters(same, 60000).empty());
    EXPECT_EQ(same.size(), 2u);
    EXPECT_EQ(rankedWindow(4999), 100u);
    EXPECT_EQ(rankedWindow(5000), 150u);
    EXPECT_EQ(rankedWindow(60000), 700u);
}

TEST(RankedQueue, AKeyNeverPlaysItself) {
    RankedRig rig;
    const ClientId phone = rig.player("kay", 7);
    const ClientId laptop = rig.player("kay", 7);
    EXPECT_EQ(rig.last(laptop, MessageType::Standing).ranked.standing.name, "kay")
        << "the same key may greet from two devices";
    rig.queue(phone);
    rig.queue(laptop);
    expectRefused(rig.refusal(laptop), RefusalReason::RankedRefused, "same key",
                  "the same key twice in the queue");
    EXPECT_FALSE(rig.closed(laptop));
    const ClientId zed = rig.player("zed", 8);
    rig.queue(zed);
    ASSERT_TRUE(rig.joined(zed));
    EXPECT_EQ(rig.last(zed, MessageType::Joined).names[0], "kay");
    rig.queue(laptop);
    EXPECT_EQ(rig.heard(laptop, MessageType::Refused).size(), 2u)
        << "nor while the key plays a ranked match";
    EXPECT_FALSE(rig.joined(laptop));
}

TEST(RankedNames, AKeyOwnsItsNameAndEveryOtherWayIsRefused) {
    RankedRig rig;
    const ClientId alice = rig.player("alice", 1);
    const Message standing = rig.last(alice, MessageType::Standing);
    EXPECT_EQ(standing.ranked.standing.name, "alice");
    EXPECT_EQ(standing.ranked.standing.rating, 1500);

    const ClientId other = rig.player("ALICE", 2);
    expectRefused(rig.refusal(other), RefusalReason::NameTaken, "ALICE",
                  "another key's name, whatever its case");
    EXPECT_FALSE(rig.closed(other)) << "casual play goes on";
    rig.queue(other);
    expectRefused(rig.refusal(other), RefusalReason::RankedRefused, "no key", "unidentified");

    const ClientId renamed = rig.player("carol", 1);
    EXPECT_EQ(rig.last(renamed, MessageType::Standing).ranked.standing.name, "carol")
        << "the same key takes another name";
    const ClientId zero = rig.hello("zero");
    rig.send(zero, identifyMessage(0));
    expectRefused(rig.refusal(zero), RefusalReason::RankedRefused, "no key", "a key of zeros");
    rig.send(alice, identifyMessage(3));
    EXPECT_TRUE(rig.closed(alice)) << "one Identify a connection";

    // Asked at once after the Identify, the queue waits for the key's answer.
    rig.completeChecks = false;
    const ClientId eager = rig.hello("eager");
    rig.send(eager, identifyMessage(4));
    rig.queue(eager);
    EXPECT_TRUE(rig.windows(eager).empty());
    rig.records.completeAll();
    rig.records.completeAll();
    EXPECT_EQ(rig.windows(eager), std::vector<std::uint32_t>{100});

    rig.records.failing = true;
    const ClientId unlucky = rig.hello("unlucky");
    rig.send(unlucky, identifyMessage(5));
    rig.records.completeAll();
    expectRefused(rig.refusal(unlucky), RefusalReason::RankedRefused, "store failed",
                  "the database is down");

    LobbyRig casual;
    const ClientId plain = casual.hello("plain");
    casual.send(plain, identifyMessage(6));
    expectRefused(casual.last(plain, MessageType::Refused), RefusalReason::RankedRefused,
                  "not here", "a server without ranked play");
}

// A ranked match between ann (1P) and bob (2P), both rated 1500.
struct RankedDuel : RankedRig {
    explicit RankedDuel(ServerLobbyOptions options = {}) : RankedRig(options) {
        ann = player("ann", 1);
        bob = player("bob", 2);
        queue(ann);
        queue(bob);
    }
    void play(std::uint32_t from, std::uint32_t to, std::uint16_t keysA = 0,
              std::uint16_t keysB = 0) {
        inputs(ann, 0, from, to - from, keysA);
        inputs(bob, 1, from, to - from, keysB);
    }
    void won(std::uint32_t frames) {
        result(ann, frames);
        result(bob, frames);
    }
    Message rated(ClientId c) const { return last(c, MessageType::Rated); }
    ClientId ann = 0;
    ClientId bob = 0;
};

void expectRated(const Message& m, RatedOutcome outcome, const char* what) {
    EXPECT_EQ(m.type, MessageType::Rated) << what;
    EXPECT_EQ(m.reason, static_cast<std::uint8_t>(outcome)) << what;
}

TEST(RankedVerdicts, OnlyAWonFirstMatchOfTenSecondsIsRated) {
    {
        RankedDuel d;
        d.referee.winAt = 700;
        d.referee.winSeat = 1;
        d.play(0, 800);
        d.won(700);
        ASSERT_EQ(d.records.kept.size(), 1u);
        EXPECT_TRUE(d.records.kept[0].rated);
        EXPECT_EQ(d.records.kept[0].seats[0].player, d.records.players[RankedRig::hexOf(1)]);
        const Message rated = d.rated(d.ann);
        expectRated(rated, RatedOutcome::Rated, "won at 700 frames");
        EXPECT_EQ(rated.number, 1u);
        EXPECT_EQ(rated.ranked.before[0], 1500);
        EXPECT_EQ(rated.ranked.after[0], 1485);
        EXPECT_EQ(rated.ranked.after[1], 1515);
        EXPECT_EQ(d.rated(d.bob).ranked.after[1], 1515) << "both players hear it";
        EXPECT_EQ(d.heard(d.bob, MessageType::Standing).size(), 2u) << "and their new standing";

        // The rematch in the same room is casual.
        d.referee.winAt = 0;
        d.rematch(d.ann);
        d.rematch(d.bob);
        d.play(0, 700);
        d.leave(d.ann);
        expectRated(d.rated(d.bob), RatedOutcome::Rematch, "a rematch");
        EXPECT_FALSE(d.records.kept.back().rated);
    }
    struct Case {
        const char* what;
        std::uint32_t frames;
        bool leave;
        RatedOutcome outcome;
    };
    for (const Case& c : {Case{"left at 700 frames: the leaver loses", 700, true, RatedOutcome::Rated},
                          Case{"left at 599 frames", 599, true, RatedOutcome::TooShort}}) {
        RankedDuel d;
        d.play(0, c.frames);
        d.leave(d.ann);
        expectRated(d.rated(d.bob), c.outcome, c.what);
        EXPECT_EQ(d.records.kept.back().rated, c.outcome == RatedOutcome::Rated) << c.what;
        EXPECT_EQ(d.records.kept.back().winner, 1) << c.what;
        EXPECT_EQ(d.records.kept.back().frames, c.frames) << c.what;
    }
    {
        ServerLobbyOptions options;
        options.stallMs = 3000;
        RankedDuel d(options);
        d.play(0, 700);
        d.disconnect(d.bob);
        Message ping;
        ping.type = MessageType::Ping;
        for (int i = 0; i < 32; ++i) {
            d.advance(100);
            d.send(d.ann, ping);
        }
        expectRated(d.rated(d.ann), RatedOutcome::Rated, "gone past the stall timeout");
        EXPECT_EQ(d.records.kept.back().how, MatchEnd::Gone);
    }
    {
        RankedDuel d;
        d.play(0, 720);
        std::vector<FrameInput> blank(720);
        d.hash(d.ann, 660, fakeHash(blank, blank, 660));
        d.hash(d.bob, 660, 1);
        expectRated(d.rated(d.ann), RatedOutcome::Parted, "the games parted");
        EXPECT_FALSE(d.records.kept.back().rated);
    }
    {
        ServerLobbyOptions options;
        options.maxMatchFrames = 900;
        RankedDuel d(options);
        d.play(0, 900);
        d.inputs(d.ann, 0, 900, 1);
        expectRated(d.rated(d.ann), RatedOutcome::TooLong, "the longest match");
    }
    {
        RankedDuel d;
        d.referee.winAt = 650;
        d.play(0, 700);
        d.records.failing = true;
        d.won(650);
        expectRated(d.rated(d.ann), RatedOutcome::NotSaved, "the database is down");
        EXPECT_TRUE(d.log.has("match")) << "and the log says so";
        EXPECT_TRUE(d.log.has("was not kept: the database is down"));
    }
    {
        // A casual room between two ranked players is kept with both, rated never, heard of
        // by nobody.
        RankedRig rig;
        const ClientId ann = rig.player("ann", 1);
        const ClientId bob = rig.player("bob", 2);
        rig.create(ann, "CASUAL");
        rig.join(bob, "CASUAL");
        rig.referee.winAt = 700;
        rig.inputs(ann, 0, 0, 800);
        rig.inputs(bob, 1, 0, 800);
        rig.result(ann, 700);
        rig.result(bob, 700);
        ASSERT_EQ(rig.records.kept.size(), 1u);
        EXPECT_FALSE(rig.records.kept[0].rated);
        EXPECT_NE(rig.records.kept[0].seats[1].player, 0);
        EXPECT_TRUE(rig.heard(ann, MessageType::Rated).empty());
        EXPECT_TRUE(rig.log.has("match CASUAL #1 kept as match 1"));
    }
}

TEST(RankedLive, RankedAndListedMatchesShowPrivateRoomsNever) {
    RankedDuel d;
    d.create(d.hello("host"), "OPEN", true);
    const ClientId hidden = d.hello("solo");
    d.create(hidden, "SECRET");
    d.join(d.hello("guest"), "SECRET");
    d.advance(3000);
    const auto live = d.lobby->liveMatches(d.now);
    ASSERT_EQ(live.size(), 1u) << "OPEN waits for its second player, SECRET is private";
    EXPECT_TRUE(live[0].ranked);
    EXPECT_EQ(live[0].names[0], "ann");
    EXPECT_EQ(live[0].playingForMs, 3000u);
}

} // namespace
} // namespace kokurin::testing
