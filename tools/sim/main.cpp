// kokurin-sim: plays one match on the headless front end from a seed and a key script, and
// prints a transcript of every turn.
#include <cstdio>
#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif
#include <fstream>
#include <string>
#include <vector>

#include "headless/headless.h"
#include "rng/sfmt19937.h"
#include "screens/match_loop.h"
#include "screens/match_observer.h"
#include "screens/title_screen.h"
#include "sim_options.h"
#include "sound/sound_bank.h"
#include "sound/sound_schedule.h"
#include "tournament.h"
#include "transcript.h"
#include "wav_render.h"

using namespace kokurin;

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (isTournamentCommand(args)) {
        return tournamentMain(args);
    }
    SimOptions options;
    std::string error;
    if (!parseSimOptions(args, options, error)) {
        std::fprintf(stderr, "kokurin-sim: %s\n(try --help)\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(simUsage(), stdout);
        return 0;
    }

    headless::KeyScript keys;
    if (!options.keysFile.empty()) {
        std::ifstream file(options.keysFile);
        if (!file) {
            std::fprintf(stderr, "kokurin-sim: cannot read key script '%s'\n",
                         options.keysFile.c_str());
            return 2;
        }
        if (!parseKeyScript(file, keys, error)) {
            std::fprintf(stderr, "kokurin-sim: %s\n", error.c_str());
            return 2;
        }
    }

#if defined(_WIN32)
    // The transcript is the same bytes on every platform: no CR inserted before LF.
    _setmode(_fileno(stdout), _O_BINARY);
#endif

    headless::reset();
    headless::setRecording(false);
    headless::setMessageHandler([](const char*) {});
    headless::setKeySource(&keys);
    headless::setPollLimit(options.maxPolls);

    Transcript transcript(stdout);
    setMatchObserver(&transcript);
    if (!options.wavFile.empty()) {
        // The slots the game would give a sound device, and the schedule's start.
        loadSoundBank();
        resetSoundSchedule();
    }

    // Seeded where the game seeds from the clock; the match is built as the title screen does.
    sharedRandom.seed(options.seed);
    MatchState state;
    setUpMatch(state, options.opponent);
    transcript.start(options.seed, options.opponent, state);

    bool quit = runMatch(state);
    const char* reason = transcript.winnerReached() ? "winner" : quit ? "limit" : "escape";
    transcript.end(reason, state);
    setMatchObserver(nullptr);

    if (!options.wavFile.empty()) {
        // Two more seconds of frames, drawn by nobody, so that what the last moment armed (the
        // winner's jingle) is played too.
        headless::setPollLimit(0);
        for (int frame = 0; frame < 120; ++frame) {
            pumpFrame();
        }
        if (!writeMatchSound(options.wavFile, headless::soundsPlayed(), headless::muteChanges(),
                             headless::pollCount(), error)) {
            std::fprintf(stderr, "kokurin-sim: %s\n", error.c_str());
            return 2;
        }
    }
    return 0;
}
