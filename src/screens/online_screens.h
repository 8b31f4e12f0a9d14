// Online play from the title: the lobby (name, rooms, codes, quick match, watching), the
// matches played through the server, and what follows each (the verdict, a rematch).
#pragma once

namespace kokurin {

struct Settings;
struct OnlineRequest;

// The lobby of request.server, going straight to the request's room or queue when it names
// one; ESC in the lobby returns. The player's name is kept in the settings. The process's own
// generator, rotation count and keys are put back afterwards. True when the game is closing.
bool runOnline(Settings& settings, const OnlineRequest& request);

} // namespace kokurin
