// Replaying a whole recorded match (decoding included) through the screens on the headless front
// end as the game watches one, and stepping the same match as a value without drawing; the
// server's check of a 20-second match; drawing one match frame; and what a replay weighs per
// minute of play.
#include <benchmark/benchmark.h>

#include <vector>

#include "headless/headless.h"
#include "input/input_route.h"
#include "match/match.h"
#include "replay/match_recording.h"
#include "screens/match_loop.h"
#include "screens/match_view.h"
#include "server/match_check.h"

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

Replay recordMatch(int opponent, std::uint32_t seed, long polls) {
    headless::reset();
    headless::setRecording(false);
    Taps taps;
    headless::setKeySource(&taps);
    headless::setPollLimit(polls);
    const MatchStart start = freshMatchStart(opponent, seed);
    Match match(start);
    MatchRecorder recorder(frameInputSource(), match, start);
    bool quit = false;
    {
        ScopedFrameInput route(recorder);
        quit = runMatch(match);
    }
    Replay replay;
    recorder.finish(matchResult(match, quit), replay);
    headless::setKeySource(nullptr);
    return replay;
}

const std::vector<std::uint8_t>& wholeMatchBytes() {
    static const std::vector<std::uint8_t> bytes = encodeReplay(recordMatch(12, 99, 100000));
    return bytes;
}

void reportReplay(benchmark::State& run, const std::vector<std::uint8_t>& bytes, long frames) {
    run.counters["frames"] = static_cast<double>(frames);
    run.counters["bytes"] = static_cast<double>(bytes.size());
    run.counters["bytes_per_minute"] = static_cast<double>(bytes.size()) * 3600.0 / frames;
}

// The game's way of watching: every frame drawn (into nothing) and pumped on the headless front
// end.
void replayWholeMatch(benchmark::State& run) {
    const std::vector<std::uint8_t>& bytes = wholeMatchBytes();
    long frames = 0;
    for (auto _ : run) {
        headless::reset();
        headless::setRecording(false);
        Replay replay;
        std::string error;
        decodeReplay(bytes.data(), bytes.size(), replay, error);
        headless::setPollLimit(static_cast<long>(replay.inputs.size()));
        Match match(replay.start);
        ReplayPlayer player(replay, match);
        ScopedFrameInput route(player);
        benchmark::DoNotOptimize(runMatch(match));
        frames = static_cast<long>(replay.inputs.size());
    }
    reportReplay(run, bytes, frames);
}

// The same match stepped as a value: no drawing, no pump, every hash checked.
void stepWholeMatch(benchmark::State& run) {
    const std::vector<std::uint8_t>& bytes = wholeMatchBytes();
    long frames = 0;
    for (auto _ : run) {
        Replay replay;
        std::string error;
        decodeReplay(bytes.data(), bytes.size(), replay, error);
        Match match(replay.start);
        match.begin(silentListener());
        bool same = true;
        for (std::uint32_t f = 0; f < replay.inputs.size(); ++f) {
            if ((f + 1) % replayHashInterval == 0) {
                same = same && replay.hashes[(f + 1) / replayHashInterval - 1] == match.hash();
            }
            match.step(replay.inputs[f], silentListener());
        }
        benchmark::DoNotOptimize(same);
        frames = static_cast<long>(replay.inputs.size());
    }
    reportReplay(run, bytes, frames);
}

// The server's check of a 20-second match: its two seats' streams re-played to a replay.
void serverCheck20s(benchmark::State& run) {
    const Replay recorded = recordMatch(0, 4242, 20 * 60);
    std::vector<FrameInput> first;
    std::vector<FrameInput> second;
    for (const FrameInput& input : recorded.inputs) {
        first.push_back(FrameInput{static_cast<std::uint16_t>(input.keys & 0x007f), input.pointer});
        second.push_back(FrameInput{static_cast<std::uint16_t>(input.keys & 0x0f81), input.pointer});
    }
    const std::uint32_t frames = static_cast<std::uint32_t>(first.size());
    for (auto _ : run) {
        const Replay replay = replayStreams(recorded.start, first, second, frames);
        benchmark::DoNotOptimize(replay.hashes.back());
    }
    run.counters["frames"] = static_cast<double>(frames);
}

// One frame of a human's turn drawn (the headless front end records nothing).
void drawMatchFrame(benchmark::State& run) {
    headless::reset();
    headless::setRecording(false);
    Match match(freshMatchStart(3, 77));
    match.begin(silentListener());
    for (auto _ : run) {
        drawMatch(match);
        headless::reset();
        headless::setRecording(false);
    }
}

} // namespace

BENCHMARK(replayWholeMatch)->Unit(benchmark::kMillisecond);
BENCHMARK(stepWholeMatch)->Unit(benchmark::kMillisecond);
BENCHMARK(serverCheck20s)->Unit(benchmark::kMillisecond);
BENCHMARK(drawMatchFrame)->Unit(benchmark::kMicrosecond);
