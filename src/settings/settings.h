// The player's settings: their values and defaults, and the INI-like text they are kept in
// (read back field by field, so one bad line costs only its own field).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "input/key_bindings.h"

namespace kokurin {

struct Settings {
    bool soundOn = true;
    // 0 .. 100.
    int volume = 100;
    // The SDL game: fullscreen at start, and the window's scale (0: the largest whole number up
    // to 2 that the display has room for, as without settings; else 1 .. maxWindowScale).
    bool fullscreen = false;
    int windowScale = 0;
    // The roster entry the title screen starts on; -1 when none was chosen yet (entry 0).
    int lastOpponent = -1;
    // For online play: the name the lobby greets the server with, and the server the title
    // offers (N) when neither the command line nor the page names one; the last one that
    // welcomed the player.
    std::string playerName;
    std::string serverAddress;
    // The player key that owns the player's ranked name (net/player_key.h), as 64 lowercase hex
    // digits; empty until the first online visit makes one.
    std::string playerKey;
    // Replays kept before the oldest go (0 .. maxReplaysKept).
    int replaysKept = 300;
    // "ja", "en", or "auto": the system's (Japanese where it names none).
    std::string language = "auto";
    bool reduceFlashing = false;
    KeyBindings keys = defaultKeyBindings();
    // Lines of keys this version does not know, kept as they were for a newer version.
    std::vector<std::pair<std::string, std::string>> unknown;
};

constexpr int maxWindowScale = 4;
constexpr int maxReplaysKept = 10000;
constexpr int settingsRosterSize = 16;

bool operator==(const Settings& a, const Settings& b);

// Reads settings text: every field starts at its default, a line "key = value" sets its field
// when the value is good. Each line that is neither blank, a comment (# or ;), a [section]
// nor a good setting adds a problem, a short English line for stderr.
Settings parseSettings(const std::string& text, std::vector<std::string>& problems);
// The text parseSettings reads back to the same settings.
std::string serializeSettings(const Settings& settings);

// The settings the game starts with: the stored text read through the front end, the defaults
// where it is missing, unreadable or bad, with a line on stderr for each of those.
Settings loadSettings();
// Writes the settings through the front end; false (and a line on stderr) when it failed.
bool saveSettings(const Settings& settings);

} // namespace kokurin
