// The entry point of the SDL build: the game's own start-up order, then SDL's shutdown.
#include <SDL.h>

#include <cstdio>
#include <string>

#include "desktop_online/ca_file_argument.h"
#include "platform/platform.h"
#include "screens/online_request.h"
#include "sdl/language.h"
#include "sdl/replay_command.h"
#include "sdl/start_up.h"

int main(int argc, char* argv[]) {
    std::string error;
    if (!kokurin::sdl::readLanguageArguments(argc, argv, error)) {
        std::fprintf(stderr, "kokurin: %s\n", error.c_str());
        return 2;
    }
    kokurin::OnlineRequest online;
    if (!kokurin::readOnlineArguments(argc, argv, online, error) ||
        !kokurin::readCaFileArgument(argc, argv, error)) {
        std::fprintf(stderr, "kokurin: %s\n", error.c_str());
        return 2;
    }
    int exitCode = 0;
    if (!kokurin::sdl::runReplayCommand(argc, argv, exitCode)) {
        exitCode = kokurin::runGame(nullptr, online);
    }
    kokurin::sdl::shutDown();
    return exitCode;
}
