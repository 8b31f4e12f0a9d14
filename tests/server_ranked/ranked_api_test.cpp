// The JSON API answered from a SQLite store the test fills: every answer reads back as JSON
// holding what the store holds (hostile names included), pages follow each other, bad input is
// refused with a JSON reason, replays are the store's files, and answers are kept only briefly
// and within their bounds.
#include <gtest/gtest.h>

#include <filesystem>

#include "api/json_writer.h"
#include "api/ranked_api.h"
#include "json_reader.h"
#include "ranking/player_key.h"
#include "store/sqlite_connection.h"

namespace kokurin {
namespace test {

using namespace api;
using namespace store;

namespace {

class FixedLive : public LiveMatchSource {
  public:
    std::vector<LiveMatch> matches;
    std::vector<LiveMatch> liveMatches() override { return matches; }
};

class ApiTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/kokurin-api-test.XXXXXX";
        folder_ = mkdtemp(pattern);
        StoreOptions options;
        options.database = folder_ + "/kokurin.db";
        options.replayDir = folder_ + "/replays";
        store_ = openRankedStore(options);
        for (const char* name : {"Ann", "<img src=x>", "Zoë \"q\" \\"}) {
            players_.push_back(*store_->claimName(ranking::sha256Hex(name), name, 5).player);
        }
        // Ann beats the others twice each; the last match has a replay; one casual match.
        for (int round = 0; round < 2; ++round) {
            for (std::size_t other = 1; other < 3; ++other) {
                play(players_[0], players_[other], round == 1 && other == 2);
            }
        }
        FinishedMatch casual;
        casual.seats[0] = {std::nullopt, "</script>\xe2\x80\xa8x"};
        casual.seats[1] = {players_[0].id, "Ann"};
        casual.how = MatchHow::Left;
        casual.winner = 1;
        casual.finishedMs = 99;
        casualId_ = store_->recordMatch(casual, {}).id;
        live_.matches = {LiveMatch{"ROOM7", {"Ann", "guest\"<"}, true, 3, 1234}};
    }
    void TearDown() override {
        store_.reset();
        std::filesystem::remove_all(folder_);
    }

    void play(const Player& a, const Player& b, bool replay) {
        FinishedMatch match;
        match.seats[0] = {a.id, a.name};
        match.seats[1] = {b.id, b.name};
        match.winner = 0;
        match.rated = true;
        match.frames = 3600;
        match.finishedMs = ++clock_;
        lastId_ = store_
                      ->recordMatch(match, replay ? std::vector<std::uint8_t>{1, 2}
                                                  : std::vector<std::uint8_t>{})
                      .id;
    }

    // The answer's body read as JSON (a failure when it is not).
    Json get(RankedApi& api, const std::string& target, int status = 200, std::int64_t now = 0) {
        const ApiAnswer answer = api.answer(target, now);
        EXPECT_EQ(answer.status, status) << target << " " << answer.body;
        EXPECT_EQ(answer.contentType, "application/json; charset=utf-8") << target;
        // Nothing a player typed can close a script element or a line of JavaScript.
        EXPECT_EQ(answer.body.find('<'), std::string::npos) << target;
        EXPECT_EQ(answer.body.find("\xe2\x80\xa8"), std::string::npos) << target;
        Json json;
        std::string error;
        EXPECT_TRUE(readJson(answer.body, json, error)) << target << ": " << error << "\n"
                                                        << answer.body;
        return json;
    }

    std::string folder_;
    std::unique_ptr<RankedStore> store_;
    std::vector<Player> players_;
    FixedLive live_;
    std::int64_t clock_ = 1000;
    MatchId lastId_ = 0;
    MatchId casualId_ = 0;
};

} // namespace

TEST_F(ApiTest, AnswersHoldWhatTheStoreHolds) {
    RankedApi api(*store_, live_);
    const Json board = get(api, "/api/leaderboard");
    EXPECT_EQ(board["total"].number, 3);
    EXPECT_EQ(board["players"][0]["name"].string, "Ann");
    EXPECT_EQ(board["players"][0]["wins"].number, 4);
    EXPECT_EQ(board["players"][0]["rank"].number, 1);
    EXPECT_NEAR(board["players"][0]["rating"].number, store_->player(players_[0].id)->rating.rating,
                0.05);
    const Json second = get(api, "/api/leaderboard?limit=1&offset=1");
    ASSERT_EQ(second["players"].array.size(), 1u);
    EXPECT_EQ(second["players"][0]["rank"].number, 2);

    // Hostile names come back exactly, however they are asked for.
    const Json img = get(api, "/api/players/%3Cimg%20src%3Dx%3E");
    EXPECT_EQ(img["name"].string, "<img src=x>");
    EXPECT_EQ(img["history"].array.size(), 2u);
    EXPECT_EQ(img["opponents"][0]["name"].string, "Ann");
    EXPECT_EQ(img["opponents"][0]["losses"].number, 2);
    const Json zoe = get(api, "/api/players/zo%C3%AB%20%22Q%22%20%5C");
    EXPECT_EQ(zoe["name"].string, "Zoë \"q\" \\");
    EXPECT_TRUE(zoe["history"][0]["deviation"].number > 0);

    // Ann's matches two at a time, following "next" to the end: each once, newest first.
    std::vector<double> ids;
    std::string target = "/api/matches?player=ann&limit=2";
    for (int page = 0; page < 10; ++page) {
        const Json matches = get(api, target);
        for (const Json& m : matches["matches"].array) {
            EXPECT_TRUE(ids.empty() || m["id"].number < ids.back());
            ids.push_back(m["id"].number);
        }
        if (matches["next"].isNull()) {
            break;
        }
        target = "/api/matches?player=Ann&limit=2&before=" +
                 std::to_string(static_cast<long long>(matches["next"].number));
    }
    EXPECT_EQ(ids.size(), 5u);
    EXPECT_EQ(get(api, "/api/matches?player=")["matches"].array.size(), 5u);

    const Json casual = get(api, "/api/matches/" + std::to_string(casualId_));
    EXPECT_EQ(casual["seats"][0]["name"].string, "</script>\xe2\x80\xa8x");
    EXPECT_TRUE(casual["seats"][0]["player"].isNull());
    EXPECT_EQ(casual["seats"][1]["player"].string, "Ann");
    EXPECT_EQ(casual["how"].string, "left");
    EXPECT_EQ(casual["winner"].number, 1);
    EXPECT_FALSE(casual["rated"].boolean);
    EXPECT_TRUE(casual["replay"].isNull());
    const Json rated = get(api, "/api/matches/" + std::to_string(lastId_));
    EXPECT_TRUE(rated["rated"].boolean);
    EXPECT_GT(rated["seats"][0]["change"].number, 0);
    EXPECT_LT(rated["seats"][1]["change"].number, 0);
    EXPECT_EQ(rated["replay"].string, "/api/replays/" + std::to_string(lastId_) + ".kkr");

    const ApiAnswer replay = api.answer(rated["replay"].string, 0);
    EXPECT_EQ(replay.status, 200);
    EXPECT_EQ(replay.filePath, *store_->replayPath(lastId_));
    EXPECT_EQ(replay.contentType, "application/octet-stream");
    EXPECT_EQ(api.answer("/api/replays/" + std::to_string(casualId_) + ".kkr", 0).status, 404);

    const Json live = get(api, "/api/live");
    EXPECT_EQ(live["matches"][0]["room"].string, "ROOM7");
    EXPECT_EQ(live["matches"][0]["names"][1].string, "guest\"<");
    EXPECT_EQ(live["matches"][0]["spectators"].number, 3);
}

TEST_F(ApiTest, BadRequestsAreRefusedWithAReason) {
    RankedApi api(*store_, live_);
    const std::vector<std::pair<std::string, int>> cases = {
        {"/api/leaderboard?limit=abc", 400},
        {"/api/leaderboard?limit=0", 400},
        {"/api/leaderboard?limit=-1", 400},
        {"/api/leaderboard?limit=1e3", 400},
        {"/api/leaderboard?sort=name", 400},
        {"/api/leaderboard?limit=1&limit=2", 400},
        {"/api/players/", 400},
        {"/api/players/a%ZZ", 400},
        {"/api/players/a%2", 400},
        {"/api/players/%E2%80%AEnnA", 400},
        {"/api/players/%00", 400},
        {"/api/players/%FF", 400},
        {"/api/players/12345678901234567", 400},
        {"/api/players/Ann?x=1", 400},
        {"/api/players/nobody", 404},
        {"/api/matches?player=%20Ann", 400},
        {"/api/matches?player=nobody", 404},
        {"/api/matches?before=0", 400},
        {"/api/matches?before=99999999999999999999", 400},
        {"/api/matches/abc", 400},
        {"/api/matches/0", 400},
        {"/api/matches/-1", 400},
        {"/api/matches/999", 404},
        {"/api/replays/../../etc/passwd", 400},
        {"/api/replays/1.kkr.tmp", 400},
        {"/api/replays/1", 400},
        {"/api/replays/x.kkr", 400},
        {"/api/replays/999.kkr", 404},
        {"/api/live?all=1", 400},
        {"/api/nothing", 404},
        {"/api/" + std::string(600, 'a'), 414},
    };
    for (const auto& c : cases) {
        const Json json = get(api, c.first, c.second);
        EXPECT_FALSE(json["error"].string.empty()) << c.first;
    }
    // A limit past the cap is the cap.
    EXPECT_EQ(get(api, "/api/leaderboard?limit=100000")["limit"].number, 100);
    EXPECT_TRUE(RankedApi::handles("/api/live"));
    EXPECT_FALSE(RankedApi::handles("/index.html"));
    EXPECT_FALSE(RankedApi::handles("/apiary"));
}

TEST_F(ApiTest, AnswersAreKeptBrieflyWithinBoundsAndFailuresNever) {
    ApiOptions options;
    options.cacheMs = 2000;
    options.cacheEntries = 2;
    RankedApi api(*store_, live_, options);
    EXPECT_EQ(get(api, "/api/matches", 200, 10000)["matches"].array.size(), 5u);
    play(players_[1], players_[2], false);
    // Within the time to live the kept answer; after it, the store's.
    EXPECT_EQ(get(api, "/api/matches", 200, 11999)["matches"].array.size(), 5u);
    EXPECT_EQ(get(api, "/api/matches", 200, 12000)["matches"].array.size(), 6u);
    // Two other answers push the first out.
    get(api, "/api/live", 200, 12001);
    get(api, "/api/leaderboard", 200, 12002);
    play(players_[1], players_[2], false);
    EXPECT_EQ(get(api, "/api/matches", 200, 12003)["matches"].array.size(), 7u);

    // A database that fails is a 503, asked again next time.
    openSqlite(folder_ + "/kokurin.db")->script("ALTER TABLE matches RENAME TO gone");
    EXPECT_EQ(api.answer("/api/matches?limit=3", 20000).status, 503);
    openSqlite(folder_ + "/kokurin.db")->script("ALTER TABLE gone RENAME TO matches");
    EXPECT_EQ(api.answer("/api/matches?limit=3", 20001).status, 200);
}

TEST(JsonWriter, AnyBytesBecomeValidJson) {
    const std::string hostile = std::string("a\"\\\x01\x1f\x7f<>&\xe2\x80\xa9\xff\xc3", 14);
    JsonWriter json;
    json.beginObject().key("k\"").string(hostile).key("n").real(-0.04, 1).key("x").real(1.0 / 0.0,
                                                                                        1);
    json.endObject();
    Json read;
    std::string error;
    ASSERT_TRUE(readJson(json.text(), read, error)) << error << json.text();
    EXPECT_EQ(read["k\""].string,
              std::string("a\"\\\x01\x1f\x7f<>&\xe2\x80\xa9\xef\xbf\xbd\xef\xbf\xbd", 18));
    EXPECT_EQ(json.text().find_first_of("<>&\x01\x7f"), std::string::npos);
    EXPECT_EQ(read["n"].number, 0);
    EXPECT_TRUE(read["x"].isNull());
}

} // namespace test
} // namespace kokurin
