// Online play from the title: the lobby (name, rooms, codes, quick match, watching), the
// matches played through the server, and what follows each (the verdict, a rematch).
#pragma once

#include <cstdint>
#include <string>

#include "match/match_observer.h"

namespace kokurin {

namespace net {
class OnlineClient;
}
struct Settings;
struct OnlineRequest;

// The lobby of request.server, going straight to the request's room or queue when it names
// one; ESC in the lobby returns. The player's name is kept in the settings. Online matches are
// values of their own: the game's series and key table are untouched. The observer (null: none)
// follows every online match. True when the game is closing.
bool runOnline(Settings& settings, const OnlineRequest& request,
               MatchObserver* observer = nullptr);

// Where a front end that can come back for a match keeps the seat the player holds: the server,
// the room and the resume token while a match is played, all empty (token 0) once it is over.
// The page keeps it for the tab's session, so that the page loaded again within the stall
// timeout takes the seat back (OnlineRequest::Mode::Resume); the desktop keeps none.
// How the client's last ranked match changed the player's rating, as `format` ("%u %u": before,
// after) says it, or why it was not rated; null before any ranked match.
const char* lastRatedChange(const net::OnlineClient& client, const char* format);

using OnlineSeatKeeper = void (*)(const std::string& serverUrl, const std::string& roomCode,
                                  std::uint64_t resumeToken);
void setOnlineSeatKeeper(OnlineSeatKeeper keeper);
void keepOnlineSeat(const std::string& serverUrl, const std::string& roomCode,
                    std::uint64_t resumeToken);

} // namespace kokurin
