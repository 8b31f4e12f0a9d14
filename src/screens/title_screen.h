// The title screen: opponent roster with portraits, help lines, and the outer loop of matches.
#pragma once

#include "match/match_observer.h"
#include "match/match_start.h"

namespace kokurin {

constexpr int rosterSize = 16;
extern const char* const rosterNames[rosterSize];
extern const char* const rosterPortraits[rosterSize];

struct Settings;
struct OnlineRequest;

// What a run of the game carries from screen to screen: the series its matches are drawn from
// (seeded from the clock at start-up) and who observes them (tools and tests; the game: nobody).
struct PlaySession {
    MatchSeries series;
    MatchObserver* observer = nullptr;
};

// True when the application must quit; false when ESC left the title screen.
bool runTitleScreen(PlaySession& session);
// The same with the player's settings: the title starts on the last opponent they chose (entry
// 0 without one), a match started remembers its opponent, and O opens the settings screen.
bool runTitleScreen(PlaySession& session, Settings& settings);
// The same with a server to play online on (N, shown on the title while a server is known): the
// request's own, else the settings' address. A request for the lobby, a room or the queue is
// carried out before the title's first frame.
bool runTitleScreen(PlaySession& session, Settings& settings, const OnlineRequest& online);

} // namespace kokurin
