// The title screen: opponent roster with portraits, help lines, and the outer loop of matches.
#pragma once

#include "rules/match_state.h"

namespace kokurin {

constexpr int rosterSize = 16;
extern const char* const rosterNames[rosterSize];
extern const char* const rosterPortraits[rosterSize];

// Prepares a fresh match record against roster entry `opponent`, in the order the title screen
// uses: the fill draws from the shared random stream.
void setUpMatch(MatchState& state, int opponent);

struct Settings;
struct OnlineRequest;

// True when the application must quit; false when ESC left the title screen.
bool runTitleScreen();
// The same with the player's settings: the title starts on the last opponent they chose (entry
// 0 without one), a match started remembers its opponent, and O opens the settings screen.
bool runTitleScreen(Settings& settings);
// The same with a server to play online on (N, shown on the title while a server is known): the
// request's own, else the settings' address. A request for the lobby, a room or the queue is
// carried out before the title's first frame.
bool runTitleScreen(Settings& settings, const OnlineRequest& online);

} // namespace kokurin
