// Replaying a whole recorded match headless (decoding included), and what a replay weighs per
// minute of play.
#include <benchmark/benchmark.h>

#include <vector>

#include "headless/headless.h"
#include "input/input_route.h"
#include "replay/match_recording.h"
#include "rng/sfmt19937.h"
#include "screens/match_loop.h"
#include "screens/title_screen.h"

using namespace kokurin;

namespace {

// A human who taps D and SPACE now and then against entry 12, to the winner.
class Taps : public headless::KeySource {
  public:
    void keysDown(long poll, bool down[256]) override {
        down[keyD] = poll % 11 == 0;
        down[keySpace] = poll % 29 == 0;
    }
};

std::vector<std::uint8_t> recordMatch() {
    headless::reset();
    headless::setRecording(false);
    Taps taps;
    headless::setKeySource(&taps);
    headless::setPollLimit(100000);
    sharedRandom.seed(99);
    const MatchStart start = captureMatchStart(12, 99);
    MatchState state;
    setUpMatch(state, 12);
    MatchRecorder recorder(frameInputSource(), state, start);
    bool quit = false;
    {
        ScopedFrameInput route(recorder);
        quit = runMatch(state);
    }
    Replay replay;
    recorder.finish(matchResult(state, quit), replay);
    headless::setKeySource(nullptr);
    return encodeReplay(replay);
}

void replayWholeMatch(benchmark::State& run) {
    const std::vector<std::uint8_t> bytes = recordMatch();
    long frames = 0;
    for (auto _ : run) {
        headless::reset();
        headless::setRecording(false);
        Replay replay;
        std::string error;
        decodeReplay(bytes.data(), bytes.size(), replay, error);
        restoreMatchStart(replay.start);
        headless::setPollLimit(static_cast<long>(replay.inputs.size()));
        MatchState state;
        setUpMatch(state, replay.start.opponent);
        ReplayPlayer player(replay, state);
        ScopedFrameInput route(player);
        benchmark::DoNotOptimize(runMatch(state));
        frames = static_cast<long>(replay.inputs.size());
    }
    run.counters["frames"] = static_cast<double>(frames);
    run.counters["bytes"] = static_cast<double>(bytes.size());
    run.counters["bytes_per_minute"] = static_cast<double>(bytes.size()) * 3600.0 / frames;
}

} // namespace

BENCHMARK(replayWholeMatch)->Unit(benchmark::kMillisecond);
