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
#include "input/input_route.h"
#include "replay/match_recording.h"
#include "match/match.h"
#include "replay/replay_file.h"
#include "screens/match_loop.h"
#if defined(KOKURIN_SIM_ONLINE)
#include "online_play.h"
#endif
#include "sim_options.h"
#include "sound/sound_bank.h"
#include "sound/sound_schedule.h"
#include "tournament.h"
#include "transcript.h"
#include "wav_render.h"

using namespace kokurin;

namespace {

bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return false;
    }
    // Read a byte past the largest replay, so that a larger file is seen to be one.
    bytes.resize(replayMaxBytes + 1);
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(file.gcount()));
    return !file.bad();
}

bool writeWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    return static_cast<bool>(file);
}

} // namespace

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
    if (options.version) {
        std::printf("kokurin-sim %s\n", gameVersion());
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
    if (!options.onlineUrl.empty()) {
#if defined(KOKURIN_SIM_ONLINE)
        // Online the script is read by match frame, by the lockstep source.
        headless::setPollLimit(options.maxPolls);
        return playOnline(options, keys.empty() ? nullptr : &keys);
#else
        std::fprintf(stderr, "kokurin-sim: this build cannot play online\n");
        return 4;
#endif
    }
    headless::setKeySource(&keys);
    headless::setPollLimit(options.maxPolls);

    Transcript transcript(stdout);
    if (!options.wavFile.empty()) {
        // The slots the game would give a sound device, and the schedule's start.
        loadSoundBank();
        resetSoundSchedule();
    }

    Replay replay;
    if (!options.replayFile.empty()) {
        std::vector<std::uint8_t> bytes;
        if (!readWholeFile(options.replayFile, bytes)) {
            std::fprintf(stderr, "kokurin-sim: cannot read replay '%s'\n",
                         options.replayFile.c_str());
            return 3;
        }
        if (!decodeReplay(bytes.data(), bytes.size(), replay, error) ||
            !validMatchStart(replay.start)) {
            std::fprintf(stderr, "kokurin-sim: %s: %s\n", options.replayFile.c_str(),
                         error.empty() ? "the replay's start is damaged" : error.c_str());
            return 3;
        }
        // The recorded frames and no more: a match cut by a limit ends where it was cut.
        headless::setPollLimit(static_cast<long>(replay.inputs.size()));
        Match match(replay.start);
        transcript.start(replay.start.seed, replay.start.opponent, match.state());
        ReplayPlayer player(replay, match);
        bool quit = false;
        {
            ScopedFrameInput route(player);
            quit = runMatch(match, &transcript);
        }
        const char* reason = transcript.winnerReached() ? "winner" : quit ? "limit" : "escape";
        transcript.end(reason, match.state());
        if (!player.finish(matchResult(match, quit), error)) {
            std::fprintf(stderr, "kokurin-sim: %s: %s\n", options.replayFile.c_str(),
                         error.c_str());
            return 3;
        }
    } else {
        // Seeded where the game seeds from the clock; the match is built as the title screen
        // does.
        const MatchStart start = freshMatchStart(options.opponent, options.seed);
        Match match(start);
        transcript.start(options.seed, options.opponent, match.state());

        MatchRecorder recorder(frameInputSource(), match, start);
        bool quit = false;
        {
            ScopedFrameInput route(recorder);
            quit = runMatch(match, &transcript);
        }
        const char* reason = transcript.winnerReached() ? "winner" : quit ? "limit" : "escape";
        transcript.end(reason, match.state());
        if (!options.recordFile.empty()) {
            Replay recorded;
            if (!recorder.finish(matchResult(match, quit), recorded) ||
                !writeWholeFile(options.recordFile, encodeReplay(recorded))) {
                std::fprintf(stderr, "kokurin-sim: no replay written to '%s': the match ran longer than a replay holds or the file could not be written\n",
                             options.recordFile.c_str());
                return 2;
            }
        }
    }

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
