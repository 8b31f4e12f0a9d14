// The think rules of the personalities. Each frame a personality may evaluate some candidates
// in shuffled order, keep the best by its own measure and decide when satisfied; the exhaustive
// ones spread all 630 candidates over 30 or 63 frames so no frame gets long.
#include "cpu/think_rules.h"

#include <cstdint>
#include <limits>

#include "cpu/think_observer.h"

namespace kokurin {

namespace {

// The batch personalities evaluate this many candidates a frame.
constexpr int sweepBatch = 21;
constexpr int emptiesBatch = 10;

// Scores are ints; a freak queue thousands long must not overflow them.
int clampScore(std::int64_t score) {
    if (score > std::numeric_limits<int>::max()) {
        return std::numeric_limits<int>::max();
    }
    if (score < std::numeric_limits<int>::min()) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(score);
}

// Truncation toward zero, saturating instead of overflowing for huge hit points.
int truncateToInt(float value) {
    if (value >= 2147483648.0f) {
        return std::numeric_limits<int>::max();
    }
    if (!(value > -2147483648.0f)) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(value);
}

// One frame's worth of thinking on the turn record.
class Thinker {
public:
    Thinker(const MatchState& state, ComputerTurn& turn, SwapOutcome& outcome)
        : state_(state), turn_(turn), outcome_(outcome),
          size_(static_cast<int>(swapCandidates.size())) {}

    // Evaluates the candidate at candidatePos and moves on to the next position.
    void evaluate() {
        position_ = turn_.candidatePos;
        evaluateSwap(state_, index(), outcome_);
        turn_.candidatePos += 1;
    }
    const SwapOutcome& outcome() const { return outcome_; }
    bool atLastCandidate() const { return index() == size_ - 1; }

    void choose() {
        int code = swapCandidates[index()];
        turn_.targetFirst = code / cellCount;
        turn_.targetSecond = code % cellCount;
    }
    // Strictly better only: among equal scores the candidate met first stays.
    void maximise(int score) {
        if (score > turn_.bestScore) {
            turn_.bestScore = score;
            choose();
        }
    }
    void decide() { turn_.decided = true; }
    void report(int score) {
        if (ThinkObserver* observer = thinkObserver()) {
            observer->candidateEvaluated(turn_, position_, outcome_, score);
        }
    }

private:
    // candidatePos is brought back into range at the start of every frame; a frame's batch
    // never runs past the end, but the index is kept in range all the same.
    int index() const { return ((position_ % size_) + size_) % size_; }

    const MatchState& state_;
    ComputerTurn& turn_;
    SwapOutcome& outcome_;
    int size_;
    int position_ = 0;
};

// Maximise one measure over a batch a frame and decide after the last candidate.
template <typename Score> void sweep(Thinker& t, int batch, Score score) {
    for (int i = 0; i < batch; ++i) {
        t.evaluate();
        int s = score(t.outcome());
        t.maximise(s);
        bool last = t.atLastCandidate();
        if (last) {
            t.decide();
        }
        t.report(s);
        if (last) {
            return;
        }
    }
}

// Takes the first candidate that clears at least three cells.
void firstClearing(Thinker& t) {
    t.evaluate();
    if (t.outcome().emptyCells >= 3) {
        t.choose();
        t.decide();
    }
    t.report(0);
}

// Maximise one measure with a single evaluation this frame.
template <typename Score> int maximiseOnce(Thinker& t, Score score) {
    t.evaluate();
    int s = score(t.outcome());
    t.maximise(s);
    return s;
}

// Personality 12: with hit points to spare it takes the first candidate after half a second
// that would leave it alive; close to death it plays like 17 and also takes any survivable
// exchange.
void survivorRule(Thinker& t, const MatchState& state, const ComputerTurn& turn) {
    t.evaluate();
    const SwapOutcome& o = t.outcome();
    float own = state.hp[state.currentPlayer];
    float damage = survivorDamage(o.queueLead < 0 ? -o.queueLead : 0);
    if (own > 3.0f) {
        int limit = 2000;
        if (o.queueLead >= 0) {
            t.choose();
            limit = 20;
        }
        int left = truncateToInt(own - damage);
        if (left > 0 && left < limit) {
            t.choose();
            if (turn.thinkFrame > 30) {
                t.decide();
            }
        }
        t.report(0);
        return;
    }
    int s = scoreS17(o);
    t.maximise(s);
    if (o.kindCount >= 2) {
        t.choose();
        t.decide();
    }
    if (o.queueLead < 0 && own - damage > 0.0f) {
        t.choose();
        t.decide();
    }
    t.report(s);
}

} // namespace

int scoreS15(const SwapOutcome& o) {
    std::int64_t lead = o.queueLead;
    return clampScore(lead * (lead < 0 ? 4 : o.kindCount) + 2 * std::int64_t{o.emptyCells});
}

int scoreS17(const SwapOutcome& o) {
    return clampScore(256 * std::int64_t{o.queueLead} + o.emptyCells);
}

int scoreS10(const SwapOutcome& o) {
    return clampScore(65536 * std::int64_t{o.kindCount} + 256 * std::int64_t{o.queueLead} +
                      o.emptyCells);
}

// Rewards queues of the rarest element and its predecessor; while the own queue would not
// survive, fewer losses and more cleared cells count, otherwise fewer cleared cells.
int scoreS9(const SwapOutcome& o, Element major, Element minor) {
    std::int64_t tally = 0;
    for (Element v : o.ownQueue) {
        tally += (v == major ? 4 : 0) + (v == minor ? 1 : 0);
    }
    std::int64_t lead = o.queueLead;
    std::int64_t empties = lead <= 0 ? o.emptyCells : -std::int64_t{o.emptyCells};
    return clampScore(65536 * tally + 256 * (lead < 0 ? lead : 0) + empties);
}

// Alternation in the own queue: neighbours that differ, and entries that differ from the one
// two back where that one also differs from its successor.
int queueChanges(const ClearedQueue& q) {
    int changes = 0;
    for (int i = 1; i < q.size(); ++i) {
        if (q[i] != q[i - 1]) {
            ++changes;
        }
        if (i >= 2 && q[i] != q[i - 2] && q[i - 2] != q[i - 1]) {
            ++changes;
        }
    }
    return changes;
}

int scoreS11(const SwapOutcome& o) {
    return clampScore(256 * std::int64_t{queueChanges(o.ownQueue)} + o.queueLead);
}

float survivorDamage(int n) {
    float sum = 0.0f;
    float term = 1.0f;
    for (int i = 0; i < n; ++i) {
        sum += term;
        term *= 0.9f;
    }
    return sum;
}

void thinkOneFrame(const MatchState& state, ComputerTurn& turn, int personality,
                   SwapOutcome& scratch) {
    if (swapCandidates.empty()) {
        return;
    }
    Thinker t(state, turn, scratch);
    const int f = turn.thinkFrame;
    const auto lead = [](const SwapOutcome& o) { return o.queueLead; };
    const auto empties = [](const SwapOutcome& o) { return o.emptyCells; };

    switch (personality) {
    case 2:
    default: // 1, and every value that plays as 1
        if (f % 8 == 0) {
            firstClearing(t);
        }
        break;
    case 3:
        if (!state.queues[1 - state.currentPlayer].empty()) {
            // Against a stock: the best lead so far, final once its own entries would survive.
            if (f % 4 == 0) {
                int s = maximiseOnce(t, lead);
                if (t.outcome().queueLead > 0) {
                    t.decide();
                }
                t.report(s);
            }
        } else if (f % 8 == 0) {
            firstClearing(t);
        }
        break;
    case 4:
        if (f % 6 == 0) {
            t.report(maximiseOnce(t, lead));
        }
        break;
    case 5:
        if (f % 4 == 0) {
            t.evaluate();
            int cleared = t.outcome().emptyCells;
            if (cleared >= 4 || (cleared >= 3 && state.turnTimer < 90)) {
                t.choose();
                t.decide();
            }
            t.report(0);
        }
        break;
    case 6:
        if (f % 4 == 0) {
            // Any clearing exchange is kept as a fallback; one that leaves a stock is final.
            t.evaluate();
            if (t.outcome().emptyCells >= 3) {
                t.choose();
            }
            if (t.outcome().queueLead > 0) {
                t.choose();
                t.decide();
            }
            t.report(0);
        }
        break;
    case 7:
        if (f % 4 == 0) {
            t.report(maximiseOnce(t, empties));
        }
        break;
    case 9: {
        const Element major = turn.favouredMajor;
        const Element minor = turn.favouredMinor;
        if (f % 2 == 0) {
            t.report(
                maximiseOnce(t, [&](const SwapOutcome& o) { return scoreS9(o, major, minor); }));
        }
        if (f % 3 == 0) {
            // The next position, judged as personality 10 against the same best score.
            t.report(maximiseOnce(t, scoreS10));
        }
        break;
    }
    case 10:
        if (f % 3 == 0) {
            t.report(maximiseOnce(t, scoreS10));
        }
        break;
    case 11:
        if (f % 2 != 0) {
            t.report(maximiseOnce(t, scoreS11));
        }
        break;
    case 12:
        if (f % 2 != 0) {
            survivorRule(t, state, turn);
        }
        break;
    case 13:
        t.report(maximiseOnce(t, lead));
        break;
    case 14:
        sweep(t, emptiesBatch, empties);
        break;
    case 15:
        sweep(t, sweepBatch, scoreS15);
        break;
    case 16:
        if (f % 4 != 0) {
            t.report(maximiseOnce(t, scoreS15));
        }
        break;
    case 17:
        if (f % 4 == 0) {
            int s = maximiseOnce(t, scoreS17);
            if (t.outcome().kindCount >= 2) {
                t.choose();
                t.decide();
            }
            t.report(s);
        }
        break;
    case 18:
        if (f % 3 == 0) {
            int s = maximiseOnce(t, empties);
            if (t.outcome().emptyCells >= 7) {
                t.decide();
            }
            t.report(s);
        }
        break;
    case 22:
        sweep(t, sweepBatch, lead);
        break;
    }
}

} // namespace kokurin
