// Every job catches what the store throws: a database that fails answers "failed", and the
// lobby says so to the player; it never takes the server down.
#include "store_records.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "net/player_name.h"
#include "ranking/player_key.h"
#include "store/replay_files.h"

namespace kokurin {

namespace {

std::uint16_t points(double value) {
    return static_cast<std::uint16_t>(std::max(0.0, std::min(65535.0, std::floor(value + 0.5))));
}

std::uint32_t count(std::int64_t value) {
    return static_cast<std::uint32_t>(std::max<std::int64_t>(0, std::min<std::int64_t>(value, 0xFFFFFFFF)));
}

// A name as the protocol carries it (stored names are the rules' own; this only bounds them).
std::string shown(const std::string& name) {
    return name.size() <= net::maxNameBytes ? name : "?";
}

} // namespace

std::int64_t wallClockMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

StoreRecords::StoreRecords(store::RankedStore& store, ReplayFolderLimits folderLimits, Post post,
                           Clock clock)
    : store_(store), post_(std::move(post)), clock_(std::move(clock)) {
    SharedReplays shared;
    shared.owns = [](const std::string& name) {
        const std::optional<store::StoreFile> file = store::storeFileOf(name);
        return file.has_value() && !file->temporary;
    };
    shared.release = [this](const std::string& name) {
        const std::optional<store::StoreFile> file = store::storeFileOf(name);
        return file.has_value() && store_.forgetReplay(file->matchId);
    };
    folder_ = std::make_unique<ReplayFolder>(store_.replayDir(), folderLimits, std::move(shared));
}

StoreRecords::~StoreRecords() = default;

net::RankedStanding StoreRecords::standingOf(const store::Player& player) {
    net::RankedStanding standing;
    standing.name = shown(player.name);
    standing.rating = points(player.rating.rating);
    standing.deviation = points(player.rating.deviation);
    standing.rank = count(store_.rankOf(player.id));
    standing.games = count(player.ratedGames);
    standing.wins = count(player.wins);
    standing.losses = count(player.losses);
    const store::Leaderboard board = store_.leaderboard(0, net::maxLeaders);
    for (const store::LeaderboardEntry& entry : board.entries) {
        standing.leaders.push_back(net::RankedLeader{count(entry.rank), shown(entry.player.name),
                                                     points(entry.player.rating.rating)});
    }
    return standing;
}

void StoreRecords::claim(const std::string& keyHex, const std::string& name,
                         std::function<void(PlayerClaim)> done) {
    const bool queued = worker_.run([this, keyHex, name, done]() {
        PlayerClaim claim;
        try {
            const store::ClaimResult result =
                store_.claimName(ranking::playerKeyHash(keyHex), name, clock_());
            switch (result.status) {
            case store::ClaimStatus::Created:
            case store::ClaimStatus::Owned:
            case store::ClaimStatus::Renamed:
                claim.outcome = PlayerClaim::Outcome::Claimed;
                claim.player = result.player->id;
                claim.standing = standingOf(*result.player);
                break;
            case store::ClaimStatus::Taken:
                claim.outcome = PlayerClaim::Outcome::Taken;
                break;
            case store::ClaimStatus::BadName:
                claim.outcome = PlayerClaim::Outcome::Failed;
                break;
            }
        } catch (const std::exception&) {
            claim = PlayerClaim();
        }
        post_([done, claim]() { done(claim); });
    });
    if (!queued) {
        post_([done]() { done(PlayerClaim()); });
    }
}

void StoreRecords::standing(RankedPlayer player,
                            std::function<void(bool, net::RankedStanding)> done) {
    const bool queued = worker_.run([this, player, done]() {
        bool ok = false;
        net::RankedStanding standing;
        try {
            if (const std::optional<store::Player> found = store_.player(player)) {
                standing = standingOf(*found);
                ok = true;
            }
        } catch (const std::exception&) {
            ok = false;
        }
        post_([done, ok, standing]() { done(ok, standing); });
    });
    if (!queued) {
        post_([done]() { done(false, net::RankedStanding()); });
    }
}

void StoreRecords::rating(RankedPlayer player, std::function<void(bool, double)> done) {
    const bool queued = worker_.run([this, player, done]() {
        bool ok = false;
        double rating = 0;
        try {
            if (const auto current = store_.currentRating(player, clock_())) {
                rating = current->rating;
                ok = true;
            }
        } catch (const std::exception&) {
            ok = false;
        }
        post_([done, ok, rating]() { done(ok, rating); });
    });
    if (!queued) {
        post_([done]() { done(false, 0.0); });
    }
}

RecordOutcome StoreRecords::keep(const MatchRecord& match, const std::vector<std::uint8_t>& replay) {
    store::FinishedMatch finished;
    for (int s = 0; s < 2; ++s) {
        if (match.seats[s].player != 0) {
            finished.seats[s].player = match.seats[s].player;
        }
        finished.seats[s].name = match.seats[s].name;
    }
    finished.how = static_cast<store::MatchHow>(static_cast<int>(match.how));
    finished.winner = match.winner == 0 || match.winner == 1 ? match.winner : store::noWinner;
    finished.frames = match.frames;
    finished.room = match.room;
    finished.finishedMs = clock_();
    finished.rated = match.rated;
    RecordOutcome outcome;
    try {
        const store::RecordedMatch recorded = store_.recordMatch(finished, replay);
        outcome.saved = true;
        outcome.rated = recorded.rated;
        outcome.id = recorded.id;
        for (int s = 0; s < 2; ++s) {
            outcome.before[s] = recorded.changes[s].before.rating;
            outcome.after[s] = recorded.changes[s].after.rating;
        }
        outcome.replayFile = recorded.replayFile;
        if (!recorded.replayFile.empty()) {
            folder_->adopt(recorded.replayFile, replay.size());
        }
    } catch (const std::exception& error) {
        outcome = RecordOutcome();
        outcome.error = error.what();
        // The replay is not lost with its row: the folder keeps it under the room's name.
        std::string path;
        std::string why;
        if (!replay.empty() && folder_->save(match.room, match.matchNumber, replay, path, why)) {
            outcome.replayFile = path;
            outcome.error += "; its replay is kept without a row as " + path;
        }
    }
    return outcome;
}

void StoreRecords::record(MatchRecord match, std::vector<std::uint8_t> replay,
                          std::function<void(RecordOutcome)> done) {
    worker_.run([this, match = std::move(match), replay = std::move(replay),
                 done = std::move(done)]() {
        const RecordOutcome outcome = keep(match, replay);
        post_([done, outcome]() { done(outcome); });
    }, false);
}

} // namespace kokurin
