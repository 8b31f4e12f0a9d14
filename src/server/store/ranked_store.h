// What the server keeps of ranked play and of every match: players (a name owned by the hash of
// a player key, and a Glicko-2 rating), finished matches with their replay files, and each
// player's rating after each rated match. One interface over SQLite (one server process) and
// PostgreSQL (several processes sharing a lobby); openRankedStore picks by the --db value.
//
// Every call is synchronous and may be made from any thread (the store serialises them); a
// database that fails throws StoreError, and no call leaves half its change behind.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "ranking/glicko2.h"

namespace kokurin {
namespace store {

class StoreError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

using PlayerId = std::int64_t;
using MatchId = std::int64_t;

struct Player {
    PlayerId id = 0;
    std::string name;
    ranking::Glicko2Rating rating;
    std::int64_t ratedGames = 0;
    std::int64_t wins = 0;
    std::int64_t losses = 0;
    std::int64_t createdMs = 0;
    std::int64_t lastSeenMs = 0;
};

enum class ClaimStatus {
    // A new player owns the name now.
    Created,
    // The key already owned this name (its case as given now).
    Owned,
    // The key owned another name, which is free again.
    Renamed,
    // Another key owns the name: refused.
    Taken,
    // Not a name (net/player_name.h): refused.
    BadName,
};

struct ClaimResult {
    ClaimStatus status = ClaimStatus::BadName;
    // The key's player after the claim (also when refused, if the key owns a name).
    std::optional<Player> player;
};

// A match's verdict as the server reached it (net::MatchEnd and the winning seat).
enum class MatchHow { Winner = 1, Left = 2, Gone = 3, Diverged = 4, TooLong = 5 };
constexpr int noWinner = 2;

struct MatchSeat {
    // A ranked player's id; none for a casual player.
    std::optional<PlayerId> player;
    // The name shown in the match.
    std::string name;
};

struct FinishedMatch {
    MatchSeat seats[2];
    MatchHow how = MatchHow::Winner;
    // 0 or 1, or noWinner.
    int winner = noWinner;
    std::uint32_t frames = 0;
    std::string room;
    std::int64_t finishedMs = 0;
    // Asked for by the ranked queue. A match is rated only when both seats are different
    // ranked players and the verdict names a winner.
    bool rated = false;
};

struct RatingChange {
    ranking::Glicko2Rating before;
    ranking::Glicko2Rating after;
};

struct RecordedMatch {
    MatchId id = 0;
    bool rated = false;
    // Rated matches: each seat's rating before and after.
    RatingChange changes[2];
    // The replay's file name in the replay folder ("" without one).
    std::string replayFile;
};

struct MatchRow {
    MatchId id = 0;
    MatchSeat seats[2];
    // Each ranked seat's player's name now (it may have been renamed since).
    std::optional<std::string> playerNames[2];
    MatchHow how = MatchHow::Winner;
    int winner = noWinner;
    std::uint32_t frames = 0;
    std::string room;
    bool rated = false;
    // Rated matches: each seat's rating change.
    std::optional<double> ratingChanges[2];
    bool hasReplay = false;
    std::int64_t finishedMs = 0;
};

struct LeaderboardEntry {
    std::int64_t rank = 0;
    Player player;
};

struct Leaderboard {
    // Players with at least one rated match.
    std::int64_t total = 0;
    std::vector<LeaderboardEntry> entries;
};

struct RatingPoint {
    MatchId match = 0;
    std::int64_t atMs = 0;
    double rating = 0;
    // None for points taken from the first schema, which kept only the changes.
    std::optional<double> deviation;
};

struct OpponentRecord {
    PlayerId opponent = 0;
    std::string name;
    std::int64_t games = 0;
    std::int64_t wins = 0;
    std::int64_t losses = 0;
};

struct PlayerPage {
    Player player;
    // Oldest first: the newest maximumHistoryPoints rated matches.
    std::vector<RatingPoint> history;
    // Newest first.
    std::vector<MatchRow> recent;
    // Rated matches against each opponent, the most played first (at most maximumOpponents).
    std::vector<OpponentRecord> opponents;
};

constexpr std::size_t maximumHistoryPoints = 500;
constexpr std::size_t maximumOpponents = 50;
constexpr std::size_t maximumPageRows = 100;

struct MatchQuery {
    std::optional<PlayerId> player;
    // Only matches with a smaller id (the next page after the last one seen).
    std::optional<MatchId> before;
    // 1 .. maximumPageRows.
    std::size_t limit = 20;
};

// What the start-up's reconciling of the replay folder with the rows did: temporaries and
// replays without a committed row removed (a server stopped while saving one), and rows whose
// replay file has gone (removed by hand or by a cap on the folder) marked as having none; the
// row itself stays, since ratings were reckoned from it.
struct ReconcileReport {
    int temporariesRemoved = 0;
    int orphansRemoved = 0;
    int replaysMissing = 0;
};

// Where recordMatch stops for a test that kills the process there (store_fault_test): the replay
// at its temporary name, the row inserted, the replay at its final name, committed.
using FaultHook = std::function<void(const char* point)>;

class RankedStore {
  public:
    virtual ~RankedStore() = default;

    // The name for the key's hash (ranking::playerKeyHash), stamped as seen at nowMs.
    virtual ClaimResult claimName(const std::string& keyHash, const std::string& name,
                                  std::int64_t nowMs) = 0;
    virtual std::optional<Player> playerByKey(const std::string& keyHash) = 0;
    // Any case of the name.
    virtual std::optional<Player> playerByName(const std::string& name) = 0;
    virtual std::optional<Player> player(PlayerId id) = 0;
    // The rating the ranked queue pairs by: the stored one widened for time away.
    virtual std::optional<ranking::Glicko2Rating> currentRating(PlayerId id,
                                                                std::int64_t nowMs) = 0;
    // The player's place on the leaderboard (1 is the top); 0 before their first rated match
    // or for no such player.
    virtual std::int64_t rankOf(PlayerId id) = 0;

    // The match's row, both players' new ratings (when rated) and its replay (empty: none),
    // together: a process killed on the way leaves all of them or none (the replay half is
    // cleared away when the store is next opened).
    virtual RecordedMatch recordMatch(const FinishedMatch& match,
                                      const std::vector<std::uint8_t>& replay) = 0;

    // offset 0 is the top; limit at most maximumPageRows.
    virtual Leaderboard leaderboard(std::size_t offset, std::size_t limit) = 0;
    virtual std::optional<PlayerPage> playerPage(const std::string& name,
                                                 std::size_t recentLimit) = 0;
    // Newest first.
    virtual std::vector<MatchRow> matches(const MatchQuery& query) = 0;
    virtual std::optional<MatchRow> match(MatchId id) = 0;
    // The match's replay file (its full path), when the match has one in this store's replay
    // folder and it is there. Processes sharing a database serve each other's replays when they
    // share the folder too.
    virtual std::optional<std::string> replayPath(MatchId id) = 0;
    // Lets the match's replay go (a cap on the replay folder): its row says it has none, then
    // the file is removed. False when the row could not be changed (the file then stays).
    virtual bool forgetReplay(MatchId id) = 0;

    // The folder the replays are kept in.
    virtual const std::string& replayDir() const = 0;
    // What opening the store cleared up (for the log).
    virtual ReconcileReport reconcileReport() const = 0;
    // For the crash test only.
    virtual void setFaultHook(FaultHook hook) = 0;
};

struct StoreOptions {
    // "postgresql://..." or "postgres://..." (a libpq connection URI), else a SQLite file; empty:
    // defaultDatabaseFile(replayDir).
    std::string database;
    std::string replayDir = "replays";
};

// The SQLite file the server keeps by default: kokurin.db in the replay folder.
std::string defaultDatabaseFile(const std::string& replayDir);
bool isPostgresUrl(const std::string& database);

// Opens (creating or upgrading the schema) and reconciles the replay folder with the rows:
// temporaries and replays without a row are removed, a row whose replay is gone says so.
// Throws StoreError when the database cannot be opened or is newer than this server.
std::unique_ptr<RankedStore> openRankedStore(const StoreOptions& options);

// The newest schema version this server writes.
int currentSchemaVersion();

} // namespace store
} // namespace kokurin
