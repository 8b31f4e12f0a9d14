// Holding an online match's replay for its verdict.
#include "screens/online_replay_keeper.h"

#include <utility>

#include "net/online_replay.h"
#include "replay/replay_library.h"

namespace kokurin {

void OnlineReplayKeeper::hold(Replay replay, const net::OnlineClient& client,
                              std::uint32_t nowMs) {
    save();
    replay_ = std::move(replay);
    net::recordPlayers(replay_, client.start().names[0], client.start().names[1]);
    holding_ = true;
    since_ = nowMs;
    update(client, nowMs);
}

void OnlineReplayKeeper::update(const net::OnlineClient& client, std::uint32_t nowMs) {
    if (!holding_) {
        return;
    }
    using Phase = net::OnlineClient::Phase;
    if (client.phase() == Phase::Over) {
        net::recordVerdict(replay_, client.matchEnd().reason, client.matchEnd().seat);
        save();
    } else if (client.phase() == Phase::Failed || nowMs - since_ >= verdictWaitMs) {
        save();
    }
}

void OnlineReplayKeeper::save() {
    if (holding_) {
        holding_ = false;
        saveMatchReplay(replay_, kept_);
    }
}

} // namespace kokurin
