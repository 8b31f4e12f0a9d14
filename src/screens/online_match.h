// One online match as the game shows it: the server's streams played in lockstep, with both
// names, the ping and a notice while the other player is late drawn over the match, the replay
// saved, and the verdict screen that follows (a rematch, or back to the lobby).
#pragma once

#include "match/match_observer.h"
#include "net/online_client.h"

namespace kokurin {

enum class AfterMatch {
    // Both players asked for another match and it has started.
    Rematch,
    Lobby,
    // The connection failed for good (the client says why).
    Failed,
    // The game is closing.
    Closing,
};

// Plays the match the client's last Start began, then shows the verdict until the player
// chooses. replaysKept is how many saved replays to keep.
// The observer (null: none) follows the match as a tool's or a test's would.
AfterMatch playOnlineMatch(net::OnlineClient& client, int replaysKept,
                           MatchObserver* observer = nullptr);

} // namespace kokurin
