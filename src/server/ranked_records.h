// What the lobby keeps of ranked play and of every finished match, behind one seam: which player
// a key is (its claim on the name it greeted with), a player's rating for the ranked queue and
// their standing, and each match's record with its replay. Every call answers later, on the
// lobby's own thread and never from inside the call: the server answers from its database on a
// thread of its own (store_records.h), so the relay never waits for a disk or a network, and a
// test answers when it says.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "net/protocol.h"

namespace kokurin {

// A ranked player's id in the store; 0 is none (a casual player).
using RankedPlayer = std::int64_t;

struct PlayerClaim {
    enum class Outcome {
        // The key owns the name now (new, already its own, or renamed to it).
        Claimed,
        // Another key owns the name.
        Taken,
        // The store failed; asking again may work.
        Failed,
    };
    Outcome outcome = Outcome::Failed;
    RankedPlayer player = 0;
    net::RankedStanding standing;
};

// A finished match as the lobby judged it.
struct MatchRecord {
    struct Seat {
        RankedPlayer player = 0;
        std::string name;
    };
    Seat seats[2];
    net::MatchEnd how = net::MatchEnd::Winner;
    // 0 or 1, or net::spectatorSeat for nobody.
    int winner = net::spectatorSeat;
    std::uint32_t frames = 0;
    std::string room;
    std::uint32_t matchNumber = 0;
    // Rated by the ranked queue's rules (the lobby decided).
    bool rated = false;
};

struct RecordOutcome {
    // The row and its replay are kept (together, or neither).
    bool saved = false;
    bool rated = false;
    // Each seat's rating before and after (rated matches).
    double before[2] = {0, 0};
    double after[2] = {0, 0};
    std::int64_t id = 0;
    // Where the replay went (for the log); empty when nowhere.
    std::string replayFile;
    // Why it was not saved.
    std::string error;
};

class RankedRecords {
  public:
    virtual ~RankedRecords() = default;

    // The key (64 hex digits) claims the name.
    virtual void claim(const std::string& keyHex, const std::string& name,
                       std::function<void(PlayerClaim)> done) = 0;
    // The player's standing: rating, rank, record and the top of the leaderboard.
    virtual void standing(RankedPlayer player,
                          std::function<void(bool ok, net::RankedStanding)> done) = 0;
    // The rating the ranked queue pairs by (time away widens it, never moves it).
    virtual void rating(RankedPlayer player, std::function<void(bool ok, double rating)> done) = 0;
    // Keeps the match and its replay (empty: none), rated or not.
    virtual void record(MatchRecord match, std::vector<std::uint8_t> replay,
                        std::function<void(RecordOutcome)> done) = 0;
};

} // namespace kokurin
