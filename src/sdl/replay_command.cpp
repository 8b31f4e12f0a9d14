// The replay command line of the SDL game: the file is read and checked before any window
// opens, so that a bad file is one line on stderr and exit status 3.
#include "sdl/replay_command.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "platform/platform.h"
#include "replay/replay_file.h"
#include "screens/replay_screens.h"

namespace kokurin {
namespace sdl {

namespace {

Replay commandReplay;
int commandSpeed = 1;
// The frame the watch starts from (--from SECONDS).
std::uint32_t commandFrom = 0;
// 0 not watched to its end, 1 played as recorded, -1 parted from the game.
int watchedOutcome = 0;

bool watchCommandReplay(PlaySession&) {
    return watchReplay(commandReplay, commandSpeed, commandFrom);
}

} // namespace

void noteReplayWatched(bool ok) {
    watchedOutcome = ok ? 1 : -1;
}

bool runReplayCommand(int argc, char* argv[], int& exitCode) {
    const char* file = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--replay") == 0 && i + 1 < argc) {
            file = argv[++i];
        } else if (std::strcmp(argv[i], "--speed") == 0 && i + 1 < argc) {
            const int speed = std::atoi(argv[++i]);
            if (speed != 1 && speed != 2 && speed != 4 && speed != 8) {
                std::fprintf(stderr, "kokurin: --speed is 1, 2, 4 or 8\n");
                exitCode = 2;
                return true;
            }
            commandSpeed = speed;
        } else if (std::strcmp(argv[i], "--from") == 0 && i + 1 < argc) {
            // Whole or decimal seconds into the match, at 60 frames a second.
            const char* text = argv[++i];
            char* end = nullptr;
            const double seconds = std::strtod(text, &end);
            if (end == text || *end != '\0' || !(seconds >= 0.0) || seconds > 86400.0) {
                std::fprintf(stderr, "kokurin: --from takes seconds into the match, not '%s'\n",
                             text);
                exitCode = 2;
                return true;
            }
            commandFrom = static_cast<std::uint32_t>(seconds * 60.0);
        }
    }
    if (file == nullptr) {
        return false;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "kokurin: cannot read the replay '%s'\n", file);
        exitCode = 3;
        return true;
    }
    std::string bytes(replayMaxBytes + 1, '\0');
    in.read(&bytes[0], static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    std::string error;
    if (!decodeReplay(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(),
                      commandReplay, error)) {
        std::fprintf(stderr, "kokurin: %s: %s\n", file, error.c_str());
        exitCode = 3;
        return true;
    }
    const int code = runGame(watchCommandReplay);
    exitCode = code != 0 ? code : watchedOutcome == 1 ? 0 : watchedOutcome == -1 ? 3 : 0;
    return true;
}

} // namespace sdl
} // namespace kokurin
