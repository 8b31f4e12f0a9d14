// An online match's record in its replay: the players' names as the match's start gave them and
// the server's verdict. The server and every client fill it in the same way, so that every copy
// of a match's replay is the same bytes.
#pragma once

#include <cstdint>
#include <string>

#include "net/protocol.h"
#include "replay/replay_file.h"

namespace kokurin::net {

static_assert(static_cast<int>(MatchEnd::Winner) == static_cast<int>(ReplayVerdict::Winner) &&
                  static_cast<int>(MatchEnd::Left) == static_cast<int>(ReplayVerdict::Left) &&
                  static_cast<int>(MatchEnd::Gone) == static_cast<int>(ReplayVerdict::Gone) &&
                  static_cast<int>(MatchEnd::Diverged) ==
                      static_cast<int>(ReplayVerdict::Parted) &&
                  static_cast<int>(MatchEnd::TooLong) == static_cast<int>(ReplayVerdict::TooLong),
              "a replay's verdict is the server's MatchOver");
static_assert(spectatorSeat == replayNoWinner, "nobody won: the spectators' seat");

// The match's two players, 1P first.
inline void recordPlayers(Replay& replay, const std::string& first, const std::string& second) {
    replay.names[0] = first;
    replay.names[1] = second;
}

// The server's verdict: how the match ended (MatchOver's numbers) and the winner's seat; a
// number no verdict has is recorded as none, a seat that is no player's as nobody.
inline void recordVerdict(Replay& replay, std::uint8_t how, std::uint8_t winner) {
    const bool known = how >= static_cast<std::uint8_t>(MatchEnd::Winner) &&
                       how <= static_cast<std::uint8_t>(MatchEnd::TooLong);
    replay.verdict = known ? static_cast<ReplayVerdict>(how) : ReplayVerdict::None;
    replay.verdictWinner = known && winner < 2 ? winner : replayNoWinner;
}

} // namespace kokurin::net
