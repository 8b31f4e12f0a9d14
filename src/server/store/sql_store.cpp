// The store's statements. A match is recorded in one write transaction: the row, the replay
// under its temporary name, both ratings, the replay renamed, then the commit; a failure rolls
// the rows back and removes whatever file was made, and a process killed on the way leaves a
// file without a committed row, which the next start removes.
#include "store/sql_store.h"

#include <algorithm>
#include <mutex>
#include <set>

#include "net/player_name.h"
#include "net/protocol.h"
#include "store/replay_files.h"
#include "store/schema.h"

namespace kokurin {
namespace store {

namespace {

const char* const playerColumns =
    "id, name, rating, deviation, volatility, rated_games, wins, losses, created_ms, last_seen_ms";

const char* const matchSelect =
    "SELECT m.id, m.first_player, m.second_player, m.first_name, m.second_name, p1.name, "
    "p2.name, m.how, m.winner, m.frames, m.room, m.rated, m.first_change, m.second_change, "
    "m.replay, m.finished_ms FROM matches m LEFT JOIN players p1 ON p1.id = m.first_player "
    "LEFT JOIN players p2 ON p2.id = m.second_player";

Player playerOf(const SqlRow& row) {
    Player p;
    p.id = row.integer(0);
    p.name = row.text(1);
    p.rating.rating = row.real(2);
    p.rating.deviation = row.real(3);
    p.rating.volatility = row.real(4);
    p.ratedGames = row.integer(5);
    p.wins = row.integer(6);
    p.losses = row.integer(7);
    p.createdMs = row.integer(8);
    p.lastSeenMs = row.integer(9);
    return p;
}

MatchRow matchOf(const SqlRow& row) {
    MatchRow m;
    m.id = row.integer(0);
    for (int s = 0; s < 2; ++s) {
        const std::size_t c = static_cast<std::size_t>(s);
        m.seats[s].player = row.optionalInteger(1 + c);
        m.seats[s].name = row.text(3 + c);
        if (!row.isNull(5 + c)) {
            m.playerNames[s] = row.text(5 + c);
        }
        m.ratingChanges[s] = row.optionalReal(12 + c);
    }
    const std::int64_t how = row.integer(7);
    m.how = how >= 1 && how <= 5 ? static_cast<MatchHow>(how) : MatchHow::Diverged;
    m.winner = static_cast<int>(row.integer(8));
    m.frames = static_cast<std::uint32_t>(row.integer(9));
    m.room = row.text(10);
    m.rated = row.integer(11) != 0;
    m.hasReplay = !row.isNull(14);
    m.finishedMs = row.integer(15);
    return m;
}

bool hexHash(const std::string& text) {
    return text.size() == 64 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

// A casual name as the lobby had it, kept as valid UTF-8 of bounded length.
std::string keptName(const std::string& name) {
    std::u32string chars;
    if (!net::decodeUtf8(name, chars)) {
        return "?";
    }
    std::string kept;
    for (char32_t c : chars) {
        std::string one;
        net::appendUtf8(c < 0x20 || c == 0x7F ? U'?' : c, one);
        if (kept.size() + one.size() > net::maxNameBytes) {
            break;
        }
        kept += one;
    }
    return kept.empty() ? "?" : kept;
}

std::size_t clampLimit(std::size_t limit) {
    return std::max<std::size_t>(1, std::min(limit, maximumPageRows));
}

class SqlStore : public RankedStore {
  public:
    SqlStore(std::unique_ptr<SqlConnection> db, std::string replayDir)
        : db_(std::move(db)), replayDir_(std::move(replayDir)) {
        forUpdate_ = db_->dialect() == SqlDialect::Postgres ? " FOR UPDATE" : "";
    }

    void open() {
        std::lock_guard<std::mutex> lock(mutex_);
        folder_ = replayFolderToken(replayDir_);
        db_->beginExclusive();
        try {
            upgradeSchema(*db_, newestSchemaVersion);
            reconcile();
            db_->commit();
        } catch (...) {
            db_->rollback();
            throw;
        }
    }

    ClaimResult claimName(const std::string& keyHash, const std::string& name,
                          std::int64_t nowMs) override {
        if (!hexHash(keyHash)) {
            throw StoreError("not a player key's hash");
        }
        std::lock_guard<std::mutex> lock(mutex_);
        if (!net::validPlayerName(name)) {
            ClaimResult result;
            result.status = ClaimStatus::BadName;
            result.player = playerWhere("key_hash = $1", keyHash);
            return result;
        }
        // Another process may take the name or the key between the look and the write: the
        // second try sees what it did.
        for (int attempt = 0;; ++attempt) {
            try {
                return inWrite([&] { return claim(keyHash, name, nowMs); });
            } catch (const StoreError&) {
                if (attempt > 0) {
                    throw;
                }
            }
        }
    }

    std::optional<Player> playerByKey(const std::string& keyHash) override {
        std::lock_guard<std::mutex> lock(mutex_);
        return playerWhere("key_hash = $1", keyHash);
    }

    std::optional<Player> playerByName(const std::string& name) override {
        if (!net::validPlayerName(name)) {
            return std::nullopt;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        return playerWhere("name_key = $1", net::playerNameKey(name));
    }

    std::optional<Player> player(PlayerId id) override {
        std::lock_guard<std::mutex> lock(mutex_);
        return playerWhere("id = $1", id);
    }

    std::optional<ranking::Glicko2Rating> currentRating(PlayerId id, std::int64_t nowMs) override {
        std::lock_guard<std::mutex> lock(mutex_);
        const std::vector<SqlRow> rows = db_->query(
            "SELECT rating, deviation, volatility, last_rated_ms FROM players WHERE id = $1", {id});
        if (rows.empty()) {
            return std::nullopt;
        }
        return widened(rows[0], nowMs);
    }

    std::int64_t rankOf(PlayerId id) override {
        std::lock_guard<std::mutex> lock(mutex_);
        const std::vector<SqlRow> rows =
            db_->query("SELECT rating, rated_games FROM players WHERE id = $1", {id});
        if (rows.empty() || rows[0].integer(1) == 0) {
            return 0;
        }
        // The leaderboard's order: the higher rating first, the older player first on a tie.
        return 1 + db_->query("SELECT COUNT(*) FROM players WHERE rated_games > 0 AND "
                              "(rating > $1 OR (rating = $1 AND id < $2))",
                              {rows[0].real(0), id})
                       .at(0)
                       .integer(0);
    }

    RecordedMatch recordMatch(const FinishedMatch& match,
                              const std::vector<std::uint8_t>& replay) override {
        if (match.winner < 0 || match.winner > noWinner || static_cast<int>(match.how) < 1 ||
            static_cast<int>(match.how) > 5) {
            throw StoreError("not a verdict");
        }
        std::lock_guard<std::mutex> lock(mutex_);
        RecordedMatch recorded;
        bool rated = match.rated && match.seats[0].player && match.seats[1].player &&
                     *match.seats[0].player != *match.seats[1].player && match.winner != noWinner &&
                     match.how != MatchHow::Diverged && match.how != MatchHow::TooLong;
        std::string temporary;
        std::string published;
        db_->beginWrite();
        try {
            if (rated) {
                rated = rate(match, recorded);
            }
            recorded.rated = rated;
            const std::vector<SqlRow> inserted = db_->query(
                "INSERT INTO matches (first_player, second_player, first_name, second_name, "
                "how, winner, frames, replay, rated, first_change, second_change, finished_ms, "
                "room) VALUES ($1, $2, $3, $4, $5, $6, $7, NULL, $8, $9, $10, $11, $12) "
                "RETURNING id",
                {seatPlayer(match, 0), seatPlayer(match, 1), keptName(match.seats[0].name),
                 keptName(match.seats[1].name), std::int64_t{static_cast<int>(match.how)},
                 std::int64_t{match.winner}, std::int64_t{match.frames},
                 std::int64_t{rated ? 1 : 0}, change(recorded, 0, rated),
                 change(recorded, 1, rated), match.finishedMs, keptName(match.room)});
            recorded.id = inserted.at(0).integer(0);
            if (!replay.empty()) {
                recorded.replayFile = replayFileName(recorded.id);
                db_->query("UPDATE matches SET replay = $1, replay_folder = $2 WHERE id = $3",
                           {recorded.replayFile, folder_, recorded.id});
            }
            fault("row-inserted");
            if (!replay.empty()) {
                temporary = recorded.replayFile;
                writeTemporary(replayDir_, recorded.replayFile, replay);
                fault("temp-written");
            }
            if (rated) {
                saveRatings(match, recorded);
            }
            for (int s = 0; s < 2; ++s) {
                if (match.seats[s].player) {
                    db_->query("UPDATE players SET last_seen_ms = $1 WHERE id = $2 AND "
                               "last_seen_ms < $1",
                               {match.finishedMs, *match.seats[s].player});
                }
            }
            if (!replay.empty()) {
                publishTemporary(replayDir_, recorded.replayFile);
                temporary.clear();
                published = recorded.replayFile;
                fault("renamed");
            }
            db_->commit();
        } catch (...) {
            db_->rollback();
            if (!temporary.empty()) {
                removeFile(replayDir_, temporaryName(temporary));
            }
            if (!published.empty()) {
                removeFile(replayDir_, published);
            }
            throw;
        }
        fault("committed");
        return recorded;
    }

    Leaderboard leaderboard(std::size_t offset, std::size_t limit) override {
        std::lock_guard<std::mutex> lock(mutex_);
        Leaderboard board;
        board.total =
            db_->query("SELECT COUNT(*) FROM players WHERE rated_games > 0").at(0).integer(0);
        const std::vector<SqlRow> rows = db_->query(
            std::string("SELECT ") + playerColumns +
                " FROM players WHERE rated_games > 0 ORDER BY rating DESC, id LIMIT $1 OFFSET $2",
            {static_cast<std::int64_t>(clampLimit(limit)), static_cast<std::int64_t>(offset)});
        for (std::size_t i = 0; i < rows.size(); ++i) {
            board.entries.push_back(
                LeaderboardEntry{static_cast<std::int64_t>(offset + i + 1), playerOf(rows[i])});
        }
        return board;
    }

    std::optional<PlayerPage> playerPage(const std::string& name,
                                         std::size_t recentLimit) override {
        if (!net::validPlayerName(name)) {
            return std::nullopt;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        const std::optional<Player> found =
            playerWhere("name_key = $1", net::playerNameKey(name));
        if (!found) {
            return std::nullopt;
        }
        PlayerPage page;
        page.player = *found;
        const std::vector<SqlRow> points = db_->query(
            "SELECT match_id, at_ms, rating, deviation FROM rating_history WHERE player = $1 "
            "ORDER BY match_id DESC LIMIT $2",
            {found->id, static_cast<std::int64_t>(maximumHistoryPoints)});
        for (auto it = points.rbegin(); it != points.rend(); ++it) {
            page.history.push_back(
                RatingPoint{it->integer(0), it->integer(1), it->real(2), it->optionalReal(3)});
        }
        MatchQuery recent;
        recent.player = found->id;
        recent.limit = recentLimit;
        page.recent = findMatches(recent);
        const std::vector<SqlRow> opponents = db_->query(
            "SELECT t.opponent, p.name, COUNT(*), SUM(t.won), SUM(t.lost) FROM ("
            "SELECT second_player AS opponent, CASE WHEN winner = 0 THEN 1 ELSE 0 END AS won, "
            "CASE WHEN winner = 1 THEN 1 ELSE 0 END AS lost FROM matches "
            "WHERE rated = 1 AND first_player = $1 "
            "UNION ALL SELECT first_player, CASE WHEN winner = 1 THEN 1 ELSE 0 END, "
            "CASE WHEN winner = 0 THEN 1 ELSE 0 END FROM matches "
            "WHERE rated = 1 AND second_player = $1"
            ") t JOIN players p ON p.id = t.opponent GROUP BY t.opponent, p.name "
            "ORDER BY COUNT(*) DESC, t.opponent LIMIT $2",
            {found->id, static_cast<std::int64_t>(maximumOpponents)});
        for (const SqlRow& row : opponents) {
            page.opponents.push_back(OpponentRecord{row.integer(0), row.text(1), row.integer(2),
                                                    row.integer(3), row.integer(4)});
        }
        return page;
    }

    std::vector<MatchRow> matches(const MatchQuery& query) override {
        std::lock_guard<std::mutex> lock(mutex_);
        return findMatches(query);
    }

    std::optional<MatchRow> match(MatchId id) override {
        std::lock_guard<std::mutex> lock(mutex_);
        const std::vector<SqlRow> rows =
            db_->query(std::string(matchSelect) + " WHERE m.id = $1", {id});
        if (rows.empty()) {
            return std::nullopt;
        }
        return matchOf(rows[0]);
    }

    std::optional<std::string> replayPath(MatchId id) override {
        std::lock_guard<std::mutex> lock(mutex_);
        const std::vector<SqlRow> rows =
            db_->query("SELECT replay FROM matches WHERE id = $1 AND (replay_folder = $2 OR "
                       "replay_folder IS NULL)",
                       {id, folder_});
        if (rows.empty() || rows[0].isNull(0)) {
            return std::nullopt;
        }
        // Only a name the store itself gives, so a damaged row never points elsewhere.
        const std::optional<StoreFile> file = storeFileOf(rows[0].text(0));
        if (!file || file->temporary || file->matchId != id ||
            !replayFileExists(replayDir_, file->name)) {
            return std::nullopt;
        }
        return replayDir_ + "/" + file->name;
    }

    bool forgetReplay(MatchId id) override {
        std::lock_guard<std::mutex> lock(mutex_);
        const std::string name = replayFileName(id);
        // The row first: a process stopped between the two leaves a file without a row, which
        // the next start removes.
        try {
            inWrite([&] {
                db_->query("UPDATE matches SET replay = NULL WHERE id = $1 AND (replay_folder = "
                           "$2 OR replay_folder IS NULL)",
                           {id, folder_});
                return 0;
            });
        } catch (const StoreError&) {
            return false;
        }
        removeFile(replayDir_, name);
        return true;
    }

    const std::string& replayDir() const override { return replayDir_; }
    ReconcileReport reconcileReport() const override { return report_; }
    void setFaultHook(FaultHook hook) override { hook_ = std::move(hook); }

  private:
    template <class Work> auto inWrite(Work work) -> decltype(work()) {
        db_->beginWrite();
        try {
            auto result = work();
            db_->commit();
            return result;
        } catch (...) {
            db_->rollback();
            throw;
        }
    }

    std::optional<Player> playerWhere(const std::string& condition, const SqlValue& value,
                                      bool lock = false) {
        const std::vector<SqlRow> rows =
            db_->query(std::string("SELECT ") + playerColumns + " FROM players WHERE " + condition +
                           (lock ? forUpdate_ : ""),
                       {value});
        if (rows.empty()) {
            return std::nullopt;
        }
        return playerOf(rows[0]);
    }

    ClaimResult claim(const std::string& keyHash, const std::string& name, std::int64_t nowMs) {
        ClaimResult result;
        const std::string nameKey = net::playerNameKey(name);
        const std::optional<Player> owner = playerWhere("key_hash = $1", keyHash, true);
        const std::vector<SqlRow> holder =
            db_->query("SELECT id, key_hash FROM players WHERE name_key = $1", {nameKey});
        if (!holder.empty() && holder[0].text(1) != keyHash) {
            result.status = ClaimStatus::Taken;
            result.player = owner;
            return result;
        }
        if (owner) {
            result.status = holder.empty() ? ClaimStatus::Renamed : ClaimStatus::Owned;
            db_->query("UPDATE players SET name = $1, name_key = $2, last_seen_ms = $3 "
                       "WHERE id = $4",
                       {name, nameKey, nowMs, owner->id});
            result.player = playerWhere("id = $1", owner->id);
            return result;
        }
        const ranking::Glicko2Rating fresh = ranking::newPlayerRating();
        const std::vector<SqlRow> made = db_->query(
            "INSERT INTO players (key_hash, name, name_key, rating, deviation, volatility, "
            "created_ms, last_seen_ms) VALUES ($1, $2, $3, $4, $5, $6, $7, $7) "
            "ON CONFLICT DO NOTHING RETURNING id",
            {keyHash, name, nameKey, fresh.rating, fresh.deviation, fresh.volatility, nowMs});
        if (made.empty()) {
            // Taken by another process since the look: the caller's second try sees by whom.
            throw StoreError("the name or key was taken meanwhile");
        }
        result.status = ClaimStatus::Created;
        result.player = playerWhere("id = $1", made[0].integer(0));
        return result;
    }

    ranking::Glicko2Rating widened(const SqlRow& row, std::int64_t nowMs) const {
        ranking::Glicko2Rating rating{row.real(0), row.real(1), row.real(2)};
        const std::optional<std::int64_t> last = row.optionalInteger(3);
        return last && nowMs > *last ? ranking::afterIdle(rating, nowMs - *last) : rating;
    }

    // Both players' ratings before and after, read under a lock on their rows; false when
    // either is gone.
    bool rate(const FinishedMatch& match, RecordedMatch& recorded) {
        ranking::Glicko2Rating before[2];
        for (int s = 0; s < 2; ++s) {
            // Lower id first, so two matches of the same players never wait on each other.
            const int seat = (*match.seats[0].player < *match.seats[1].player) ? s : 1 - s;
            const std::vector<SqlRow> rows =
                db_->query(std::string("SELECT rating, deviation, volatility, last_rated_ms "
                                       "FROM players WHERE id = $1") +
                               forUpdate_,
                           {*match.seats[seat].player});
            if (rows.empty()) {
                return false;
            }
            before[seat] = widened(rows[0], match.finishedMs);
        }
        ranking::Glicko2Rating after[2];
        ranking::rateMatch(before[0], before[1], match.winner == 0 ? 1.0 : 0.0, after[0], after[1]);
        for (int s = 0; s < 2; ++s) {
            recorded.changes[s] = RatingChange{before[s], after[s]};
        }
        return true;
    }

    void saveRatings(const FinishedMatch& match, const RecordedMatch& recorded) {
        for (int s = 0; s < 2; ++s) {
            const ranking::Glicko2Rating& after = recorded.changes[s].after;
            const bool won = match.winner == s;
            db_->query("UPDATE players SET rating = $1, deviation = $2, volatility = $3, "
                       "rated_games = rated_games + 1, wins = wins + $4, losses = losses + $5, "
                       "last_rated_ms = $6 WHERE id = $7",
                       {after.rating, after.deviation, after.volatility, std::int64_t{won ? 1 : 0},
                        std::int64_t{won ? 0 : 1}, match.finishedMs, *match.seats[s].player});
            db_->query("INSERT INTO rating_history (player, match_id, rating, deviation, "
                       "volatility, at_ms) VALUES ($1, $2, $3, $4, $5, $6)",
                       {*match.seats[s].player, recorded.id, after.rating, after.deviation,
                        after.volatility, match.finishedMs});
        }
    }

    static SqlValue seatPlayer(const FinishedMatch& match, int seat) {
        return match.seats[seat].player ? SqlValue(*match.seats[seat].player) : SqlValue();
    }

    static SqlValue change(const RecordedMatch& recorded, int seat, bool rated) {
        if (!rated) {
            return SqlValue();
        }
        return recorded.changes[seat].after.rating - recorded.changes[seat].before.rating;
    }

    std::vector<MatchRow> findMatches(const MatchQuery& query) {
        std::string sql = matchSelect;
        std::vector<SqlValue> values;
        std::string where;
        if (query.player) {
            values.push_back(*query.player);
            const std::string n = "$" + std::to_string(values.size());
            where += " AND (m.first_player = " + n + " OR m.second_player = " + n + ")";
        }
        if (query.before) {
            values.push_back(*query.before);
            where += " AND m.id < $" + std::to_string(values.size());
        }
        values.push_back(static_cast<std::int64_t>(clampLimit(query.limit)));
        sql +=
            " WHERE 1 = 1" + where + " ORDER BY m.id DESC LIMIT $" + std::to_string(values.size());
        std::vector<MatchRow> found;
        for (const SqlRow& row : db_->query(sql, values)) {
            found.push_back(matchOf(row));
        }
        return found;
    }

    // Under the exclusive transaction: no writer is between its row and its commit. Only rows
    // whose replay went to this folder are looked at.
    void reconcile() {
        report_ = ReconcileReport{};
        std::set<std::string> onDisk;
        for (const StoreFile& file : listStoreFiles(replayDir_)) {
            if (file.temporary) {
                if (removeFile(replayDir_, file.name)) {
                    ++report_.temporariesRemoved;
                }
            } else {
                onDisk.insert(file.name);
            }
        }
        std::set<std::string> rowed;
        for (const SqlRow& row :
             db_->query("SELECT id, replay FROM matches WHERE replay IS NOT NULL AND "
                        "(replay_folder = $1 OR replay_folder IS NULL)",
                        {folder_})) {
            const std::string name = row.text(1);
            if (onDisk.count(name) != 0) {
                rowed.insert(name);
            } else {
                db_->query("UPDATE matches SET replay = NULL WHERE id = $1", {row.integer(0)});
                ++report_.replaysMissing;
            }
        }
        for (const std::string& name : onDisk) {
            if (rowed.count(name) == 0 && removeFile(replayDir_, name)) {
                ++report_.orphansRemoved;
            }
        }
    }

    void fault(const char* point) {
        if (hook_) {
            hook_(point);
        }
    }

    std::mutex mutex_;
    std::unique_ptr<SqlConnection> db_;
    std::string replayDir_;
    // The replay folder's own name (replayFolderToken).
    std::string folder_;
    std::string forUpdate_;
    FaultHook hook_;
    ReconcileReport report_;
};

} // namespace

std::unique_ptr<RankedStore> makeSqlStore(std::unique_ptr<SqlConnection> db,
                                          const std::string& replayDir) {
    auto store = std::make_unique<SqlStore>(std::move(db), replayDir);
    store->open();
    return store;
}

} // namespace store
} // namespace kokurin
