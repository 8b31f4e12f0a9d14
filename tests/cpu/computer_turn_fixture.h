// Test helpers for the computer's turn: a recorder of what the turn thought, drew and
// exchanged, a shadow prediction of its set-up draws, and boards and hit points to order.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "cpu/computer_turn.h"
#include "cpu/cursor_travel.h"
#include "cpu/swap_evaluation.h"
#include "cpu/think_observer.h"
#include "cpu/turn_setup.h"
#include "headless/headless.h"
#include "rng/sfmt19937.h"
#include "rules/board.h"
#include "rules/turn_budget.h"
#include "match/match_observer.h"
#include "support/boards.h"
#include "support/match_driver.h"

using namespace kokurin;
using testing_support::playComputerTurn;
using testing_support::testRandom;
using testing_support::testRotation;

namespace cpu_testing {

// The shuffled candidates of the last computer turn driven or dealt (a test may also set them
// to play the look-ahead on).
inline std::vector<int>& swapCandidates = testing_support::lastCandidates();

inline CandidateDeck deckOf(const std::vector<int>& codes) {
    CandidateDeck deck;
    for (int code : codes) {
        if (deck.size < candidateCount) {
            deck.codes[deck.size++] = code;
        }
    }
    return deck;
}

// The cpu's calls on the tests' own generator, rotation count and candidates.
inline void evaluateSwap(const MatchState& state, int k, SwapOutcome& out) {
    kokurin::evaluateSwap(state, deckOf(swapCandidates), k, out);
}
inline void shuffleCandidates() {
    CandidateDeck deck;
    kokurin::shuffleCandidates(testRandom(), deck);
    swapCandidates.assign(deck.codes, deck.codes + deck.size);
}
inline void choosePersonalityOfTurn(MatchState& state) {
    kokurin::choosePersonalityOfTurn(state, testRandom(), testRotation());
}
inline void setUpComputerTurn(MatchState& state, ComputerTurn& turn) {
    kokurin::setUpComputerTurn(state, turn, testRandom(), testRotation());
    swapCandidates.assign(turn.candidates.codes, turn.candidates.codes + turn.candidates.size);
}

constexpr std::uint32_t orange = 0xFFFF8000u;
constexpr std::uint32_t blue = 0xFF0000FFu;

// What the set-up must draw from a generator in this state, worked out on a copy.
struct SetupPrediction {
    int markX = 0;
    int markY = 0;
    std::vector<int> order;
    int targetFirst = 0;
    int targetSecond = 0;
    // The extra draw that personality 2 makes: true when it turns the turn into 22.
    bool extraDrawGives22 = false;
};

// The urn: every code a * 36 + b (a < b) in a-major order; each draw takes entry
// randomBelow(n) and moves the last live entry into the hole.
inline SetupPrediction predictSetup(Sfmt19937 g) {
    SetupPrediction p;
    p.markX = g.randomBelow(6);
    p.markY = g.randomBelow(6);
    std::vector<int> urn;
    for (int a = 0; a < 36; ++a) {
        for (int b = a + 1; b < 36; ++b) {
            urn.push_back(a * 36 + b);
        }
    }
    for (int n = 630; n >= 1; --n) {
        int i = g.randomBelow(n);
        p.order.push_back(urn[i]);
        urn[i] = urn[n - 1];
    }
    p.targetFirst = g.randomBelow(36);
    p.targetSecond = g.randomBelow(36);
    p.extraDrawGives22 = g.randomBelow(6) == 0;
    return p;
}

// How many draws take `from` to the state of `to` (-1 if not within limit).
inline int drawsBetween(Sfmt19937 from, const Sfmt19937& to, int limit = 2000) {
    for (int n = 0; n <= limit; ++n) {
        bool same = from.index() == to.index();
        for (int w = 0; same && w < Sfmt19937::wordCount; ++w) {
            same = from.word(w) == to.word(w);
        }
        if (same) {
            return n;
        }
        from.nextU32();
    }
    return -1;
}

// Own hit points that, against an opponent at 1.0, give exactly this budget (1..300).
inline float ownHpForBudget(int budget) {
    double lo = 1.0;
    double hi = 1e12;
    for (int i = 0; i < 200; ++i) {
        double mid = (lo + hi) / 2;
        if (turnBudget(static_cast<float>(mid), 1.0f) > budget) {
            lo = mid;
        } else {
            hi = mid;
        }
    }
    float own = static_cast<float>(hi);
    while (turnBudget(own, 1.0f) > budget) {
        own = std::nextafter(own, 1e30f);
    }
    return own;
}

// The opponentType that plays as `personality` in the next turn: 16, 17 and 18 are only reached
// through the rotation, so the turn counter is set to land on it.
inline int entryPlayingAs(int personality) {
    if (personality >= 16 && personality <= 18) {
        testRotation() = (personality - 16 + 2) % 3;
        return 8;
    }
    return personality;
}

// A board on which no single exchange forms a line: every window of three is all different.
inline MatchState quietMatch(int opponentType) {
    MatchState s = testing_support::boardFrom(testing_support::quietBoard());
    s.opponentType = opponentType;
    s.currentPlayer = 1;
    return s;
}

// A settled random board from the given seed; the generator goes on from there.
inline MatchState randomMatch(std::uint32_t seed, int opponentType) {
    testRandom().seed(seed);
    MatchState s;
    testing_support::fillBoard(s);
    s.opponentType = opponentType;
    s.currentPlayer = 1;
    return s;
}

struct Evaluation {
    int frame = 0;
    int position = 0;
    int score = 0;
    int kindCount = 0;
    int queueLead = 0;
    int emptyCells = 0;
    ClearedQueue ownQueue;
    bool decided = false;
    int bestScore = 0;
    int targetFirst = 0;
    int targetSecond = 0;
};

// What one frame showed of the computer's cursor.
struct CursorFrame {
    bool cursorShown = false;
    int cursorCol = -1;
    int cursorRow = -1;
    bool markShown = false;
    int markX = -1;
    int markY = -1;
};

inline bool squareAt(const headless::DrawCall& d, std::uint32_t colour, int& col, int& row) {
    if (d.kind != headless::DrawCall::Kind::Primitive || d.vertices.size() != 4 ||
        d.vertices[0].colour != colour) {
        return false;
    }
    // Third vertex is the top-left corner (188 + 48 col, 108 + 48 row).
    col = static_cast<int>(d.vertices[2].x - 188) / 48;
    row = static_cast<int>(d.vertices[2].y - 108) / 48;
    return true;
}

inline CursorFrame cursorIn(const std::vector<headless::DrawCall>& frame) {
    CursorFrame c;
    for (const auto& d : frame) {
        int col = 0;
        int row = 0;
        if (squareAt(d, orange, col, row)) {
            c.cursorShown = true;
            c.cursorCol = col;
            c.cursorRow = row;
        } else if (squareAt(d, blue, col, row)) {
            c.markShown = true;
            c.markX = col;
            c.markY = row;
        }
    }
    return c;
}

// Installs itself as think observer, match observer and frame hook for one turn.
class TurnRecorder : public ThinkObserver, public MatchObserver {
  public:
    TurnRecorder() {
        testing_support::testThinkObserver() = this;
        testing_support::testObserver() = this;
        headless::setFrameHook([this](const std::vector<headless::DrawCall>& frame, long) {
            frames.push_back(cursorIn(frame));
        });
    }
    ~TurnRecorder() override {
        testing_support::testThinkObserver() = nullptr;
        testing_support::testObserver() = nullptr;
        headless::setFrameHook(nullptr);
    }

    void turnSetUp(const MatchState& state, const ComputerTurn& turn) override {
        setUp = turn;
        budget = state.turnTimer;
        personality = state.opponentType;
    }
    void candidateEvaluated(const ComputerTurn& turn, int position, const SwapOutcome& o,
                            int score) override {
        Evaluation e;
        e.frame = turn.thinkFrame;
        e.position = position;
        e.score = score;
        e.kindCount = o.kindCount;
        e.queueLead = o.queueLead;
        e.emptyCells = o.emptyCells;
        e.ownQueue = o.ownQueue;
        e.decided = turn.decided;
        e.bestScore = turn.bestScore;
        e.targetFirst = turn.targetFirst;
        e.targetSecond = turn.targetSecond;
        evaluations.push_back(e);
    }
    void swapMade(const MatchState&, int firstCell, int secondCell) override {
        swaps.push_back({firstCell, secondCell});
    }

    // Evaluations made in think frame f.
    std::vector<Evaluation> inFrame(int f) const {
        std::vector<Evaluation> out;
        for (const auto& e : evaluations) {
            if (e.frame == f) {
                out.push_back(e);
            }
        }
        return out;
    }
    // The first frame whose drawing shows the cursor or the mark changed from the frame before
    // (frame index = poll - 1); -1 if it never changed.
    int firstTravelFrame(int startCol, int startRow) const {
        for (std::size_t f = 0; f < frames.size(); ++f) {
            const CursorFrame& c = frames[f];
            if (c.markShown || c.cursorCol != startCol || c.cursorRow != startRow) {
                return static_cast<int>(f);
            }
        }
        return -1;
    }

    ComputerTurn setUp;
    int budget = 0;
    int personality = 0;
    std::vector<Evaluation> evaluations;
    std::vector<CursorFrame> frames;
    std::vector<std::pair<int, int>> swaps;
};

// Resets the front end and the turn counter around every test.
class ComputerTurnTest : public ::testing::Test {
  protected:
    void SetUp() override {
        headless::reset();
        testRotation() = 0;
        testRandom().seed(12345);
    }
    void TearDown() override {
        testing_support::testThinkObserver() = nullptr;
        testing_support::testObserver() = nullptr;
        headless::reset();
    }
};

// The two cells an exchange of code touches, as an ordered pair (first, second).
inline std::pair<int, int> cellsOf(int code) {
    return {code / 36, code % 36};
}

// The look-ahead of position k on a copy of the match as it was when the turn began.
inline SwapOutcome oracle(const MatchState& before, int k) {
    SwapOutcome o;
    evaluateSwap(before, k, o);
    return o;
}

// The first position, in evaluation order, holding the strictly greatest score, and how many
// positions share that score.
inline std::pair<int, int> firstBest(const std::vector<Evaluation>& evals) {
    int best = evals.front().score;
    int at = evals.front().position;
    for (const auto& e : evals) {
        if (e.score > best) {
            best = e.score;
            at = e.position;
        }
    }
    int ties = 0;
    for (const auto& e : evals) {
        ties += e.score == best ? 1 : 0;
    }
    return {at, ties};
}

} // namespace cpu_testing
