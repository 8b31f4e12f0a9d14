// The lobby's matches being played as the API's live view reads them: the network loop copies
// them here a few times a second, and the API's thread reads the copy (the lobby itself is the
// loop's alone).
#pragma once

#include <mutex>
#include <vector>

#include "api/ranked_api.h"
#include "server_lobby.h"

namespace kokurin {

class LiveMatches : public api::LiveMatchSource {
  public:
    // On the lobby's thread: loop is the event loop the lobby runs on (each has its rooms);
    // wallMs is the wall clock now (the API's times are since 1970).
    void update(int loop, const std::vector<ServerLobby::LiveRoom>& rooms, std::int64_t wallMs) {
        std::vector<api::LiveMatch> live;
        for (const ServerLobby::LiveRoom& room : rooms) {
            api::LiveMatch m;
            m.room = room.code;
            m.names[0] = room.names[0];
            m.names[1] = room.names[1];
            m.rated = room.ranked;
            m.spectators = static_cast<std::uint32_t>(room.spectators);
            m.startedMs = wallMs - room.playingForMs;
            live.push_back(std::move(m));
        }
        std::lock_guard<std::mutex> guard(lock_);
        if (byLoop_.size() <= static_cast<std::size_t>(loop)) {
            byLoop_.resize(static_cast<std::size_t>(loop) + 1);
        }
        byLoop_[static_cast<std::size_t>(loop)].swap(live);
    }

    std::vector<api::LiveMatch> liveMatches() override {
        std::lock_guard<std::mutex> guard(lock_);
        std::vector<api::LiveMatch> all;
        for (const auto& loop : byLoop_) {
            all.insert(all.end(), loop.begin(), loop.end());
        }
        return all;
    }

  private:
    std::mutex lock_;
    std::vector<std::vector<api::LiveMatch>> byLoop_;
};

} // namespace kokurin
