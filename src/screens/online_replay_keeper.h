// An online match's replay on its way to the player's saved replays: held until the server's
// verdict is in and saved with it, so that the player's copy is the server's byte for byte.
#pragma once

#include <cstdint>

#include "net/online_client.h"
#include "replay/replay_file.h"

namespace kokurin {

class OnlineReplayKeeper {
  public:
    // How long a verdict is waited for before the replay is saved without one.
    static constexpr std::uint32_t verdictWaitMs = 10000;

    explicit OnlineReplayKeeper(int replaysKept) : kept_(replaysKept) {}
    // A replay held and not yet saved is saved as it is (without the verdict).
    ~OnlineReplayKeeper() { save(); }
    OnlineReplayKeeper(const OnlineReplayKeeper&) = delete;
    OnlineReplayKeeper& operator=(const OnlineReplayKeeper&) = delete;

    // The match's replay, named with the players of the client's start, from nowMs on.
    void hold(Replay replay, const net::OnlineClient& client, std::uint32_t nowMs);
    // Once a frame: saves the replay with the verdict once the client has it, or without it
    // when the connection failed or the wait ran out.
    void update(const net::OnlineClient& client, std::uint32_t nowMs);
    bool holding() const { return holding_; }

  private:
    void save();

    int kept_;
    Replay replay_;
    bool holding_ = false;
    std::uint32_t since_ = 0;
};

} // namespace kokurin
