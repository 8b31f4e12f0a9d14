// The server's records: RankedRecords over its ranked store, every call made on a thread of its
// own and answered through the network loop. The replay folder's limits hold for the store's
// replays too: past them the oldest go, each row saying so first. A match whose row cannot be
// saved keeps its replay in the folder under the room's name, so that no match is lost.
#pragma once

#include <functional>
#include <memory>

#include "background_worker.h"
#include "ranked_records.h"
#include "replay_folder.h"
#include "server_log.h"
#include "store/ranked_store.h"

namespace kokurin {

class StoreRecords : public RankedRecords {
  public:
    // Runs a function on the lobby's thread later (the network loop's post).
    using Post = std::function<void(std::function<void()>)>;
    // Wall-clock milliseconds since 1970, for the store's times.
    using Clock = std::function<std::int64_t()>;

    // folderLimits: the replay folder's (the store's folder); counted from what is there now.
    StoreRecords(store::RankedStore& store, ReplayFolderLimits folderLimits, Post post,
                 Clock clock);
    // Waits for the call being made; calls not begun are dropped (never answered).
    ~StoreRecords() override;

    void claim(const std::string& keyHex, const std::string& name,
               std::function<void(PlayerClaim)> done) override;
    void standing(RankedPlayer player,
                  std::function<void(bool ok, net::RankedStanding)> done) override;
    void rating(RankedPlayer player, std::function<void(bool ok, double rating)> done) override;
    void record(MatchRecord match, std::vector<std::uint8_t> replay,
                std::function<void(RecordOutcome)> done) override;

  private:
    net::RankedStanding standingOf(const store::Player& player);
    RecordOutcome keep(const MatchRecord& match, const std::vector<std::uint8_t>& replay);

    store::RankedStore& store_;
    Post post_;
    Clock clock_;
    // Used on the worker's thread only.
    std::unique_ptr<ReplayFolder> folder_;
    // Last: stopped (and joined) before what its jobs use goes. Questions past its cap are
    // answered "failed" at once (a flood of Identifys costs no memory); a match is always kept.
    BackgroundWorker worker_{1024};
};

// The milliseconds since 1970 now.
std::int64_t wallClockMs();

} // namespace kokurin
