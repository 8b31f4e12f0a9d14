// The store's behaviour, the same expectations on SQLite and on PostgreSQL (the backend is the
// test program's --backend): names owned by keys, rated matches reckoned by Glicko-2 and kept
// with their history, the pages the API serves, replays kept with their rows, two writers at
// once, and an older database upgraded with its data.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "ranking/glicko2.h"
#include "store/schema.h"
#include "store_backend.h"

namespace kokurin {
namespace test {

using namespace store;

class StoreSuite : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = temporaryFolder();
        replays_ = folder_ + "/replays";
        database_ = storeBackend().freshDatabase(folder_);
        store_ = open();
    }
    void TearDown() override {
        store_.reset();
        std::filesystem::remove_all(folder_);
    }

    std::unique_ptr<RankedStore> open() {
        StoreOptions options;
        options.database = database_;
        options.replayDir = replays_;
        return openRankedStore(options);
    }

    Player claim(const std::string& name) {
        const ClaimResult result = store_->claimName(keyHashOf(name), name, clock_);
        EXPECT_EQ(result.status, ClaimStatus::Created) << name;
        return *result.player;
    }

    RecordedMatch play(const Player& first, const Player& second, int winner, bool rated = true,
                       std::vector<std::uint8_t> replay = {}) {
        FinishedMatch match;
        match.seats[0] = {first.id, first.name};
        match.seats[1] = {second.id, second.name};
        match.winner = winner;
        match.frames = 1200;
        match.room = "ROOM";
        match.rated = rated;
        clock_ += 60000;
        match.finishedMs = clock_;
        return store_->recordMatch(match, replay);
    }

    std::string folder_;
    std::string replays_;
    std::string database_;
    std::unique_ptr<RankedStore> store_;
    std::int64_t clock_ = 1000000;
};

TEST_F(StoreSuite, NamesAreOwnedByKeysWhateverTheirCase) {
    const Player alice = claim("Alice");
    EXPECT_EQ(alice.rating.rating, 1500.0);
    EXPECT_EQ(alice.rating.deviation, 350.0);
    // The owner may change the case; nobody else may take it in any case or width.
    EXPECT_EQ(store_->claimName(keyHashOf("Alice"), "ALICE", 2).status, ClaimStatus::Owned);
    EXPECT_EQ(store_->playerByName("alice")->name, "ALICE");
    for (const char* other : {"alice", "\xef\xbd\x81lice", "\xc3\x80lice"}) {
        const ClaimStatus expected = other[0] == '\xc3' ? ClaimStatus::Created : ClaimStatus::Taken;
        EXPECT_EQ(store_->claimName(keyHashOf("mallory"), other, 3).status, expected) << other;
    }
    EXPECT_EQ(store_
                  ->claimName(keyHashOf("x"),
                              "a\xe2\x80\xae"
                              "b",
                              4)
                  .status,
              ClaimStatus::BadName);
    EXPECT_EQ(store_->claimName(keyHashOf("x"), "", 4).status, ClaimStatus::BadName);
    EXPECT_FALSE(store_->playerByKey(keyHashOf("x")));

    // A rename frees the old name and keeps the player.
    const ClaimResult renamed = store_->claimName(keyHashOf("Alice"), "Carol", 5);
    EXPECT_EQ(renamed.status, ClaimStatus::Renamed);
    EXPECT_EQ(renamed.player->id, alice.id);
    EXPECT_EQ(store_->claimName(keyHashOf("bob"), "alice", 6).status, ClaimStatus::Created);
    EXPECT_EQ(store_->playerByKey(keyHashOf("Alice"))->name, "Carol");
    EXPECT_THROW(store_->claimName("not a hash", "Dave", 7), StoreError);
}

TEST_F(StoreSuite, RatedMatchesFollowGlicko2AndCasualOnesRateNobody) {
    const Player a = claim("a");
    const Player b = claim("b");
    const RecordedMatch won = play(a, b, 0);
    ASSERT_TRUE(won.rated);
    ranking::Glicko2Rating expectA, expectB;
    ranking::rateMatch(a.rating, b.rating, 1.0, expectA, expectB);
    EXPECT_DOUBLE_EQ(store_->player(a.id)->rating.rating, expectA.rating);
    EXPECT_DOUBLE_EQ(store_->player(b.id)->rating.deviation, expectB.deviation);
    EXPECT_DOUBLE_EQ(won.changes[1].after.volatility, expectB.volatility);
    EXPECT_GT(expectA.rating, 1500.0);
    const MatchRow row = *store_->match(won.id);
    EXPECT_TRUE(row.rated);
    EXPECT_NEAR(*row.ratingChanges[0], expectA.rating - 1500.0, 1e-9);
    EXPECT_EQ(row.room, "ROOM");
    EXPECT_EQ(store_->player(a.id)->wins, 1);
    EXPECT_EQ(store_->player(b.id)->losses, 1);

    // Not rated: asked casual, no winner, parted games, a casual seat, one player twice.
    const Player after = *store_->player(a.id);
    EXPECT_FALSE(play(a, b, 1, false).rated);
    EXPECT_FALSE(play(a, b, noWinner).rated);
    EXPECT_FALSE(play(a, a, 0).rated);
    FinishedMatch casual;
    casual.seats[0] = {a.id, "a"};
    casual.seats[1] = {std::nullopt, "guest <b>\"&'"};
    casual.winner = 1;
    casual.rated = true;
    const RecordedMatch recorded = store_->recordMatch(casual, {});
    EXPECT_FALSE(recorded.rated);
    EXPECT_EQ(store_->match(recorded.id)->seats[1].name, "guest <b>\"&'");
    EXPECT_FALSE(store_->match(recorded.id)->ratingChanges[0]);
    EXPECT_EQ(store_->player(a.id)->rating.rating, after.rating.rating);
    EXPECT_EQ(store_->player(a.id)->ratedGames, 1);
    casual.how = MatchHow::Diverged;
    casual.seats[1] = {b.id, "b"};
    EXPECT_FALSE(store_->recordMatch(casual, {}).rated);
    casual.winner = 5;
    EXPECT_THROW(store_->recordMatch(casual, {}), StoreError);
}

TEST_F(StoreSuite, TimeAwayWidensTheDeviationTheQueueSees) {
    const Player a = claim("a");
    const Player b = claim("b");
    play(a, b, 0);
    const Player stored = *store_->player(a.id);
    const auto soon = store_->currentRating(a.id, clock_ + 1000);
    const auto later = store_->currentRating(a.id, clock_ + 3 * ranking::idlePeriodMs);
    EXPECT_EQ(soon->deviation, stored.rating.deviation);
    EXPECT_DOUBLE_EQ(later->deviation,
                     ranking::afterIdle(stored.rating, 3 * ranking::idlePeriodMs).deviation);
    EXPECT_GT(later->deviation, stored.rating.deviation);
    EXPECT_EQ(later->rating, stored.rating.rating);
    EXPECT_FALSE(store_->currentRating(999, clock_));
}

TEST_F(StoreSuite, LeaderboardAndMatchListsPageWithoutGapsOrRepeats) {
    std::vector<Player> players;
    for (const char* name : {"p1", "p2", "p3", "p4", "p5"}) {
        players.push_back(claim(name));
    }
    claim("idle");
    // p1 beats everyone, p2 everyone below it, and so on.
    for (int i = 0; i < 5; ++i) {
        for (int j = i + 1; j < 5; ++j) {
            play(players[static_cast<std::size_t>(i)], players[static_cast<std::size_t>(j)], 0);
        }
    }
    const Leaderboard top = store_->leaderboard(0, 2);
    const Leaderboard next = store_->leaderboard(2, 100);
    EXPECT_EQ(top.total, 5);
    ASSERT_EQ(top.entries.size(), 2u);
    ASSERT_EQ(next.entries.size(), 3u);
    EXPECT_EQ(top.entries[0].player.name, "p1");
    EXPECT_EQ(top.entries[1].player.name, "p2");
    EXPECT_EQ(next.entries[0].rank, 3);
    EXPECT_EQ(next.entries[2].player.name, "p5");
    EXPECT_GT(top.entries[1].player.rating.rating, next.entries[0].player.rating.rating);

    // p3's matches, three at a time, newest first, following "before".
    std::vector<MatchId> seen;
    MatchQuery query;
    query.player = players[2].id;
    query.limit = 3;
    for (;;) {
        const std::vector<MatchRow> page = store_->matches(query);
        for (const MatchRow& m : page) {
            EXPECT_TRUE(m.seats[0].player == players[2].id || m.seats[1].player == players[2].id);
            EXPECT_TRUE(seen.empty() || m.id < seen.back());
            seen.push_back(m.id);
        }
        if (page.size() < query.limit) {
            break;
        }
        query.before = page.back().id;
    }
    EXPECT_EQ(seen.size(), 4u);
    MatchQuery all;
    all.limit = 100000;
    EXPECT_EQ(store_->matches(all).size(), 10u);
    EXPECT_FALSE(store_->match(seen.front() + 1000));
}

TEST_F(StoreSuite, PlayerPageHoldsHistoryRecentMatchesAndRecordsAgainstEach) {
    const Player a = claim("a");
    const Player b = claim("b");
    const Player c = claim("c");
    play(a, b, 0);
    play(a, b, 1);
    play(c, a, 1);
    play(a, c, 0, false);
    const PlayerPage page = *store_->playerPage("A", 2);
    EXPECT_EQ(page.player.id, a.id);
    ASSERT_EQ(page.history.size(), 3u);
    EXPECT_DOUBLE_EQ(page.history.back().rating, page.player.rating.rating);
    EXPECT_LT(page.history[0].match, page.history[1].match);
    EXPECT_TRUE(page.history[0].deviation.has_value());
    ASSERT_EQ(page.recent.size(), 2u);
    EXPECT_FALSE(page.recent[0].rated);
    ASSERT_EQ(page.opponents.size(), 2u);
    EXPECT_EQ(page.opponents[0].name, "b");
    EXPECT_EQ(page.opponents[0].games, 2);
    EXPECT_EQ(page.opponents[0].wins, 1);
    EXPECT_EQ(page.opponents[1].name, "c");
    EXPECT_EQ(page.opponents[1].wins, 1);
    EXPECT_EQ(page.opponents[1].losses, 0);
    EXPECT_FALSE(store_->playerPage("nobody", 5));
}

TEST_F(StoreSuite, ReplaysAreKeptWithTheirRowsAndCheckedAtEachStart) {
    const Player a = claim("a");
    const Player b = claim("b");
    const std::vector<std::uint8_t> bytes = {'K', 'K', 'R', 'P', 1, 2, 3};
    const RecordedMatch first = play(a, b, 0, true, bytes);
    const RecordedMatch bare = play(a, b, 0);
    const RecordedMatch second = play(a, b, 1, true, bytes);
    const std::string path = *store_->replayPath(first.id);
    EXPECT_EQ(path, replays_ + "/match-" + std::to_string(first.id) + ".kkr");
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {}), bytes);
    EXPECT_FALSE(store_->replayPath(bare.id));
    EXPECT_FALSE(store_->match(bare.id)->hasReplay);

    // A process with a replay folder of its own (sharing the database) leaves this one's alone.
    StoreOptions elsewhere;
    elsewhere.database = database_;
    elsewhere.replayDir = folder_ + "/elsewhere";
    std::unique_ptr<RankedStore> other = openRankedStore(elsewhere);
    EXPECT_EQ(other->reconcileReport().replaysMissing, 0);
    EXPECT_FALSE(other->replayPath(first.id));
    EXPECT_TRUE(store_->match(first.id)->hasReplay);
    other.reset();

    // Someone else's file stays; a store replay without a row goes; a row whose replay went
    // stays, without it.
    std::ofstream(replays_ + "/ROOM-1.kkr") << "theirs";
    std::ofstream(replays_ + "/match-999.kkr") << "orphan";
    std::ofstream(replays_ + "/match-998.kkr.tmp") << "half";
    std::filesystem::remove(*store_->replayPath(second.id));
    store_ = open();
    const ReconcileReport report = store_->reconcileReport();
    EXPECT_EQ(report.temporariesRemoved, 1);
    EXPECT_EQ(report.orphansRemoved, 1);
    EXPECT_EQ(report.replaysMissing, 1);
    EXPECT_TRUE(std::filesystem::exists(replays_ + "/ROOM-1.kkr"));
    EXPECT_FALSE(std::filesystem::exists(replays_ + "/match-999.kkr"));
    EXPECT_FALSE(store_->match(second.id)->hasReplay);
    EXPECT_TRUE(store_->match(second.id)->rated);
    EXPECT_TRUE(store_->replayPath(first.id));
}

TEST_F(StoreSuite, RanksFollowTheLeaderboardAndACappedFolderLetsReplaysGo) {
    const Player a = claim("a");
    const Player b = claim("b");
    const Player c = claim("c");
    EXPECT_EQ(store_->rankOf(a.id), 0) << "before any rated match";
    const RecordedMatch kept = play(a, b, 0, true, {1, 2, 3});
    play(c, b, 0);
    const Leaderboard board = store_->leaderboard(0, 10);
    for (const LeaderboardEntry& entry : board.entries) {
        EXPECT_EQ(store_->rankOf(entry.player.id), entry.rank) << entry.player.name;
    }
    EXPECT_EQ(store_->rankOf(999), 0);

    // A match that went on too long is kept, never rated.
    FinishedMatch endless;
    endless.seats[0] = {a.id, "a"};
    endless.seats[1] = {c.id, "c"};
    endless.how = MatchHow::TooLong;
    endless.winner = noWinner;
    endless.rated = true;
    endless.frames = 108000;
    const RecordedMatch long_ = store_->recordMatch(endless, {});
    EXPECT_FALSE(long_.rated);
    EXPECT_EQ(store_->match(long_.id)->how, MatchHow::TooLong);

    // The folder's cap lets the replay go: the row says so first, and stays.
    const std::string path = *store_->replayPath(kept.id);
    EXPECT_TRUE(store_->forgetReplay(kept.id));
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(store_->match(kept.id)->hasReplay);
    EXPECT_TRUE(store_->match(kept.id)->rated);
    store_ = open();
    EXPECT_EQ(store_->reconcileReport().replaysMissing, 0);
}

TEST_F(StoreSuite, TwoWritersAtOnceLoseNoRatingUpdate) {
    const Player a = claim("a");
    const Player b = claim("b");
    std::unique_ptr<RankedStore> other = open();
    constexpr int each = 8;
    auto record = [&](RankedStore& s, int winner, std::int64_t start) {
        for (int i = 0; i < each; ++i) {
            FinishedMatch match;
            match.seats[0] = {a.id, "a"};
            match.seats[1] = {b.id, "b"};
            match.winner = winner;
            match.rated = true;
            match.finishedMs = start + i;
            s.recordMatch(match, {1, 2, 3});
        }
    };
    std::thread one([&] { record(*store_, 0, 5000000); });
    std::thread two([&] { record(*other, 1, 6000000); });
    one.join();
    two.join();
    const Player after = *store_->player(a.id);
    EXPECT_EQ(after.ratedGames, 2 * each);
    EXPECT_EQ(after.wins, each);
    const PlayerPage page = *store_->playerPage("a", 1);
    ASSERT_EQ(page.history.size(), static_cast<std::size_t>(2 * each));
    // Each point follows from the one before it: no update was reckoned from a stale rating.
    MatchQuery all;
    all.limit = 100;
    const std::vector<MatchRow> rows = store_->matches(all);
    for (std::size_t i = 1; i < page.history.size(); ++i) {
        const MatchId id = page.history[i].match;
        const auto row =
            std::find_if(rows.begin(), rows.end(), [&](const MatchRow& m) { return m.id == id; });
        ASSERT_NE(row, rows.end());
        EXPECT_NEAR(page.history[i].rating - page.history[i - 1].rating, *row->ratingChanges[0],
                    1e-6);
    }
    EXPECT_EQ(replayFilesIn(replays_).size(), static_cast<std::size_t>(2 * each));
}

TEST_F(StoreSuite, AnOlderDatabaseIsUpgradedWithItsDataAndANewerOneRefused) {
    store_.reset();
    std::filesystem::create_directories(folder_ + "/old");
    const std::string old = storeBackend().freshDatabase(folder_ + "/old");
    {
        std::unique_ptr<SqlConnection> db = storeBackend().connect(old);
        db->beginExclusive();
        upgradeSchema(*db, 1);
        // Ids as the database gives them: Ann 1, Ben 2, the matches 1 to 3.
        db->script("INSERT INTO players (key_hash, name, name_key, rating, deviation, "
                   "volatility, created_ms, last_seen_ms) VALUES "
                   "('k1', 'Ann', 'ann', 1600, 200, 0.06, 1, 1), "
                   "('k2', 'Ben', 'ben', 1400, 250, 0.06, 1, 1);"
                   "INSERT INTO matches (first_player, second_player, first_name, "
                   "second_name, how, winner, frames, replay, rated, first_change, "
                   "second_change, finished_ms) VALUES "
                   "(1, 2, 'Ann', 'Ben', 1, 0, 900, NULL, 1, 60, -60, 10),"
                   "(2, 1, 'Ben', 'Ann', 1, 1, 900, NULL, 1, -40, 40, 20),"
                   "(NULL, NULL, 'x', 'y', 2, 1, 90, NULL, 0, NULL, NULL, 30)");
        db->commit();
    }
    database_ = old;
    store_ = open();
    const Player ann = *store_->playerByName("ann");
    EXPECT_EQ(ann.rating.rating, 1600.0);
    EXPECT_EQ(ann.ratedGames, 2);
    EXPECT_EQ(ann.wins, 2);
    EXPECT_EQ(store_->playerByName("Ben")->losses, 2);
    EXPECT_EQ(store_->match(3)->seats[0].name, "x");
    EXPECT_EQ(store_->match(3)->room, "");
    // The history, walked back from today's rating: 1500 + 60 = 1560, + 40 = 1600.
    const PlayerPage page = *store_->playerPage("Ann", 10);
    ASSERT_EQ(page.history.size(), 2u);
    EXPECT_DOUBLE_EQ(page.history[0].rating, 1560.0);
    EXPECT_FALSE(page.history[0].deviation);
    EXPECT_DOUBLE_EQ(*page.history[1].deviation, 200.0);
    EXPECT_EQ(store_->leaderboard(0, 10).entries[0].player.name, "Ann");
    // New rows go on from the old ones.
    const Player ben = *store_->playerByName("ben");
    EXPECT_GT(play(ann, ben, 1).id, 3);
    EXPECT_EQ(store_->player(ben.id)->ratedGames, 3);

    // A database a newer server has upgraded is left alone.
    store_.reset();
    storeBackend().connect(old)->script("UPDATE kokurin_schema SET version = 99");
    EXPECT_THROW(open(), StoreError);
    EXPECT_EQ(schemaVersion(*storeBackend().connect(old)), 99);
}

} // namespace test
} // namespace kokurin
