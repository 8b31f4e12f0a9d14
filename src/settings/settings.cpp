// Settings text: "key = value" lines under [sections] that are there for the reader only. Each
// field is read on its own and falls back to its default when its value is bad; lines of keys
// this version does not know are kept and written back.
#include "settings/settings.h"

#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"

namespace kokurin {

namespace {

const char* const seatPrefixes[bindingSeats] = {"1p_", "2p_"};
const char* const actionNames[bindingActions] = {"left", "right", "up", "down", "select"};
// Names, places and addresses longer than this are not a player's (a server's processes are a
// few addresses in a row).
constexpr std::size_t maxTextLength = 64;
constexpr std::size_t maxAddressesLength = 512;

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return "";
    }
    const std::size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool readBool(const std::string& value, bool& out) {
    if (value == "on" || value == "true" || value == "yes" || value == "1") {
        out = true;
        return true;
    }
    if (value == "off" || value == "false" || value == "no" || value == "0") {
        out = false;
        return true;
    }
    return false;
}

// A whole decimal number within [low, high], nothing else on the line.
bool readInt(const std::string& value, int low, int high, int& out) {
    if (value.empty() || value.size() > 9) {
        return false;
    }
    char* end = nullptr;
    const long number = std::strtol(value.c_str(), &end, 10);
    if (*end != '\0' || number < low || number > high) {
        return false;
    }
    out = static_cast<int>(number);
    return true;
}

// Printable text of a sensible length (UTF-8 passes; control characters do not).
bool readText(const std::string& value, std::string& out,
              std::size_t longest = maxTextLength) {
    if (value.size() > longest) {
        return false;
    }
    for (unsigned char c : value) {
        if (c < 0x20 || c == 0x7f) {
            return false;
        }
    }
    out = value;
    return true;
}

// A player key: 64 lowercase hex digits.
bool readPlayerKey(const std::string& value, std::string& out) {
    if (value.size() != 64 || value.find_first_not_of("0123456789abcdef") != std::string::npos) {
        return false;
    }
    out = value;
    return true;
}

// Sets the field `key` names from `value`: false when the value is bad, unknown when no field
// has that name.
bool readField(Settings& settings, const std::string& key, const std::string& value,
               bool& unknown) {
    unknown = false;
    if (key == "sound") {
        return readBool(value, settings.soundOn);
    }
    if (key == "volume") {
        return readInt(value, 0, 100, settings.volume);
    }
    if (key == "fullscreen") {
        return readBool(value, settings.fullscreen);
    }
    if (key == "window_scale") {
        if (value == "auto") {
            settings.windowScale = 0;
            return true;
        }
        return readInt(value, 1, maxWindowScale, settings.windowScale);
    }
    if (key == "last_opponent") {
        return readInt(value, 0, settingsRosterSize - 1, settings.lastOpponent);
    }
    if (key == "player_name") {
        return readText(value, settings.playerName);
    }
    if (key == "server_address") {
        return readText(value, settings.serverAddress, maxAddressesLength);
    }
    if (key == "player_key") {
        return readPlayerKey(value, settings.playerKey);
    }
    if (key == "replays_kept") {
        return readInt(value, 0, maxReplaysKept, settings.replaysKept);
    }
    if (key == "language") {
        if (value == "ja" || value == "en" || value == "auto") {
            settings.language = value;
            return true;
        }
        return false;
    }
    if (key == "reduce_flashing") {
        return readBool(value, settings.reduceFlashing);
    }
    for (int seat = 0; seat < bindingSeats; ++seat) {
        for (int action = 0; action < bindingActions; ++action) {
            if (key == std::string(seatPrefixes[seat]) + actionNames[action]) {
                const int bound = keyFromName(value);
                if (bound < 0) {
                    return false;
                }
                settings.keys.keys[seat][action] = bound;
                return true;
            }
        }
    }
    unknown = true;
    return false;
}

const char* onOff(bool on) {
    return on ? "on" : "off";
}

} // namespace

bool operator==(const Settings& a, const Settings& b) {
    return a.soundOn == b.soundOn && a.volume == b.volume && a.fullscreen == b.fullscreen &&
           a.windowScale == b.windowScale && a.lastOpponent == b.lastOpponent &&
           a.playerName == b.playerName && a.serverAddress == b.serverAddress &&
           a.playerKey == b.playerKey &&
           a.replaysKept == b.replaysKept && a.language == b.language &&
           a.reduceFlashing == b.reduceFlashing && a.keys == b.keys && a.unknown == b.unknown;
}

Settings parseSettings(const std::string& text, std::vector<std::string>& problems) {
    Settings settings;
    std::size_t start = 0;
    int lineNumber = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line = trimmed(text.substr(start, end - start));
        start = end + 1;
        ++lineNumber;
        if (line.empty() || line[0] == '#' || line[0] == ';' ||
            (line.front() == '[' && line.back() == ']')) {
            continue;
        }
        const std::size_t equals = line.find('=');
        const std::string where = "line " + std::to_string(lineNumber);
        if (equals == std::string::npos) {
            problems.push_back(where + ": not a setting");
            continue;
        }
        const std::string key = trimmed(line.substr(0, equals));
        const std::string value = trimmed(line.substr(equals + 1));
        bool unknown = false;
        if (readField(settings, key, value, unknown)) {
            continue;
        }
        if (unknown && !key.empty() && readText(key, settings.unknown.emplace_back().first)) {
            // Kept for whatever version wrote it.
            settings.unknown.back().second = value;
        } else if (unknown) {
            problems.push_back(where + ": not a setting");
        } else {
            problems.push_back(where + ": bad value for " + key + ", using the default");
        }
    }
    // Keys that are each fine alone can still clash; then neither seat's keys are trusted.
    if (!bindingsPlayable(settings.keys)) {
        problems.push_back("the key bindings leave a seat unplayable, using the default keys");
        settings.keys = defaultKeyBindings();
    }
    return settings;
}

std::string serializeSettings(const Settings& settings) {
    std::string text = "# kokurin settings: key = value; a bad value means its default\n";
    text += "\n[sound]\n";
    text += std::string("sound = ") + onOff(settings.soundOn) + "\n";
    text += "volume = " + std::to_string(settings.volume) + "\n";
    text += "\n[window]\n";
    text += std::string("fullscreen = ") + onOff(settings.fullscreen) + "\n";
    text +=
        "window_scale = " +
        (settings.windowScale == 0 ? std::string("auto") : std::to_string(settings.windowScale)) +
        "\n";
    text += "\n[game]\n";
    if (settings.lastOpponent >= 0) {
        text += "last_opponent = " + std::to_string(settings.lastOpponent) + "\n";
    }
    text += "player_name = " + settings.playerName + "\n";
    text += "server_address = " + settings.serverAddress + "\n";
    if (!settings.playerKey.empty()) {
        text += "player_key = " + settings.playerKey + "\n";
    }
    text += "replays_kept = " + std::to_string(settings.replaysKept) + "\n";
    text += "language = " + settings.language + "\n";
    text += std::string("reduce_flashing = ") + onOff(settings.reduceFlashing) + "\n";
    text += "\n[keys]\n";
    for (int seat = 0; seat < bindingSeats; ++seat) {
        for (int action = 0; action < bindingActions; ++action) {
            const char* name = keyName(settings.keys.keys[seat][action]);
            text += std::string(seatPrefixes[seat]) + actionNames[action] + " = " +
                    (name != nullptr ? name : "") + "\n";
        }
    }
    if (!settings.unknown.empty()) {
        text += "\n[kept]\n";
        for (const auto& entry : settings.unknown) {
            text += entry.first + " = " + entry.second + "\n";
        }
    }
    return text;
}

Settings loadSettings() {
    std::string text;
    const std::string where = settingsLocation();
    switch (readSettingsText(text)) {
    case StoredText::Missing:
        std::fprintf(stderr, "kokurin: no settings yet (%s), using the defaults\n", where.c_str());
        return Settings();
    case StoredText::Unreadable:
        std::fprintf(stderr, "kokurin: cannot read the settings (%s), using the defaults\n",
                     where.c_str());
        return Settings();
    case StoredText::Read:
        break;
    }
    if (trimmed(text).empty()) {
        std::fprintf(stderr, "kokurin: the settings (%s) are empty, using the defaults\n",
                     where.c_str());
        return Settings();
    }
    std::vector<std::string> problems;
    Settings settings = parseSettings(text, problems);
    for (const std::string& problem : problems) {
        std::fprintf(stderr, "kokurin: settings (%s) %s\n", where.c_str(), problem.c_str());
    }
    return settings;
}

bool saveSettings(const Settings& settings) {
    if (writeSettingsText(serializeSettings(settings))) {
        return true;
    }
    std::fprintf(stderr, "kokurin: cannot save the settings (%s); the old ones are kept\n",
                 settingsLocation().c_str());
    return false;
}

} // namespace kokurin
