// What one frame of the computer's thinking costs: the heaviest frame (personality 15's 21
// evaluations) and, for comparison, the hint's 630 look-aheads in one frame.
#include <benchmark/benchmark.h>

#include "cpu/computer_turn.h"
#include "cpu/personalities.h"
#include "cpu/swap_evaluation.h"
#include "cpu/turn_setup.h"
#include "rng/sfmt19937.h"
#include "rules/board.h"

using namespace kokurin;

namespace {

// A settled random board, an opposing stock, and this turn's shuffled candidates.
MatchState benchMatch(CandidateDeck& deck) {
    Sfmt19937 random;
    random.seed(20240611u);
    MatchState state;
    fillBoard(state, random);
    state.currentPlayer = 1;
    state.opponentType = 15;
    state.queues[0].pushBack(Metal);
    state.queues[0].pushBack(Water);
    shuffleCandidates(random, deck);
    return state;
}

void personality15Frame(benchmark::State& bench) {
    ComputerTurn turn;
    MatchState state = benchMatch(turn.candidates);
    SwapOutcome scratch;
    for (auto _ : bench) {
        // Frames 0 .. 28 each make 21 evaluations; start every iteration on a fresh batch.
        turn.decided = false;
        turn.bestScore = initialBestScore;
        turn.candidatePos = (turn.candidatePos + 21) % 609;
        thinkOneFrame(state, turn, 15, scratch, nullptr);
        benchmark::DoNotOptimize(turn.targetFirst);
    }
    bench.SetItemsProcessed(bench.iterations() * 21);
}
BENCHMARK(personality15Frame);

void hintSweep630(benchmark::State& bench) {
    CandidateDeck deck;
    MatchState state = benchMatch(deck);
    SwapOutcome scratch;
    for (auto _ : bench) {
        int best = -1000;
        for (int k = 0; k < candidateCount; ++k) {
            evaluateSwap(state, deck, k, scratch);
            best = scratch.queueLead > best ? scratch.queueLead : best;
        }
        benchmark::DoNotOptimize(best);
    }
    bench.SetItemsProcessed(bench.iterations() * candidateCount);
}
BENCHMARK(hintSweep630);

} // namespace
