// The entry point of the SDL build: the command line (usage, version and refusals answered
// before anything opens), then the game's own start-up order, then SDL's shutdown.
#include <SDL.h>

#include <cstdio>
#include <string>

#include "app/command_line.h"
#include "desktop_online/ca_file_argument.h"
#include "platform/platform.h"
#include "sdl/language.h"
#include "sdl/replay_command.h"
#include "sdl/start_up.h"

int main(int argc, char* argv[]) {
    kokurin::GameArguments arguments;
    const kokurin::CommandLineAnswer answer =
        kokurin::readCommandLine(argc, argv, true, arguments);
    if (answer.exitStatus >= 0) {
        std::fputs(answer.text.c_str(), answer.refusal ? stderr : stdout);
        return answer.exitStatus;
    }
    std::string error;
    if (!arguments.caFile.empty() && !kokurin::trustCaFile(arguments.caFile, error)) {
        std::fprintf(stderr, "kokurin: %s\n", error.c_str());
        return 2;
    }
    kokurin::sdl::requestLanguage(arguments.language);
    // What is written before the settings are read (their own notes) is in the language the
    // game will most likely start in.
    kokurin::setGameLanguage(answer.language);
    const int exitCode =
        arguments.replayFile.empty()
            ? kokurin::runGame(nullptr, arguments.online)
            : kokurin::sdl::runReplayCommand(arguments.replayFile, arguments.replaySpeed,
                                             arguments.replayFromFrame);
    kokurin::sdl::shutDown();
    return exitCode;
}
