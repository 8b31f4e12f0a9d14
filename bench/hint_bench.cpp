// The hint's 630 simulations, which must fit in one frame, measured on fresh match boards.
#include <benchmark/benchmark.h>

#include "rng/sfmt19937.h"
#include "rules/board.h"
#include "screens/hint.h"
#include "screens/match_loop.h"

using namespace kokurin;

namespace {

void hintSweep(benchmark::State& run) {
    Sfmt19937 random;
    random.seed(20261207);
    MatchState state;
    fillBoard(state, random);
    // A stock on the opponent's side makes every simulation run its clash too.
    for (int i = 0; i < 8; ++i) {
        state.queues[1].pushBack(static_cast<Element>(1 + i % 5));
    }
    for (auto _ : run) {
        benchmark::DoNotOptimize(hintText(state));
    }
    run.SetLabel("630 exchanges per iteration; one frame is 16.7 ms");
}

} // namespace

BENCHMARK(hintSweep)->Unit(benchmark::kMicrosecond);
