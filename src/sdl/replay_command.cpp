// The replay command line of the SDL game: the file is read and checked before any window
// opens, so that a bad file is one line on stderr and exit status 3.
#include "sdl/replay_command.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "platform/platform.h"
#include "replay/replay_file.h"
#include "screens/game_texts.h"
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

std::string formatted(const char* format, const std::string& value) {
    std::string out(std::strlen(format) + value.size(), '\0');
    const int length = std::snprintf(&out[0], out.size() + 1, format, value.c_str());
    out.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return out;
}

bool watchCommandReplay(PlaySession&) {
    return watchReplay(commandReplay, commandSpeed, commandFrom);
}

} // namespace

void noteReplayWatched(bool ok) {
    watchedOutcome = ok ? 1 : -1;
}

int runReplayCommand(const std::string& file, int speed, std::uint32_t fromFrame) {
    commandSpeed = speed;
    commandFrom = fromFrame;
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "kokurin: %s\n",
                     formatted(gameTexts().console.replayUnreadable, file).c_str());
        return 3;
    }
    std::string bytes(replayMaxBytes + 1, '\0');
    in.read(&bytes[0], static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    std::string error;
    if (!decodeReplay(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(),
                      commandReplay, error)) {
        std::fprintf(stderr, "kokurin: %s: %s\n", file.c_str(), error.c_str());
        return 3;
    }
    const int code = runGame(watchCommandReplay);
    return code != 0 ? code : watchedOutcome == 1 ? 0 : watchedOutcome == -1 ? 3 : 0;
}

} // namespace sdl
} // namespace kokurin
