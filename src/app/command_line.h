// The desktop games' command line, read the same way by every front end that has one: the
// language, online play, a replay to watch (where the front end watches replay files), and
// --help and --version. Anything else is refused with the usage, as command-line programs do,
// rather than ignored.
#pragma once

#include <cstdint>
#include <string>

#include "screens/game_texts.h"
#include "screens/online_request.h"

namespace kokurin {

struct GameArguments {
    // "ja", "en", or "" when not asked for.
    std::string language;
    OnlineRequest online;
    // --replay FILE [--speed N] [--from SECONDS]; empty when no replay is asked for.
    std::string replayFile;
    int replaySpeed = 1;
    std::uint32_t replayFromFrame = 0;
    // --ca-file FILE: authorities trusted for wss:// besides the system's (empty: none).
    std::string caFile;
};

// What the command line asks the front end to do.
struct CommandLineAnswer {
    // -1: start the game with the arguments; otherwise exit at once with this status after
    // showing text (0: --help or --version, 2: a refused command line).
    int exitStatus = -1;
    std::string text;
    // Whether text is a refusal (stderr) rather than asked-for output (stdout).
    bool refusal = false;
    // The language of the texts: the one the game will most likely start in.
    Language language = Language::English;
};

// Reads argv[1..argc). takesReplays: whether --replay, --speed and --from are options of this front
// end. An argument beginning "-psn_" (the process serial number macOS's Finder adds) is
// skipped. The answer's texts are in the language the game would start in (--lang when it is
// good, else the stored setting, else the system's).
CommandLineAnswer readCommandLine(int argc, const char* const argv[], bool takesReplays,
                                  GameArguments& arguments);

// The usage text in a language, with or without the replay options.
std::string commandLineUsage(Language language, bool takesReplays);
// "kokurin 1.0.0" and a line end.
std::string versionText();

} // namespace kokurin
