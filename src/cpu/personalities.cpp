// The computer's personalities, one row of a table each: a name, the frames per cursor step and
// the rule it thinks by. Each frame a rule may evaluate some candidates in shuffled order, keep
// the best by its own measure and decide when satisfied; the exhaustive ones spread all 630
// candidates over 30 or 63 frames so no frame gets long.
#include "cpu/personalities.h"

#include <limits>

#include "cpu/scores.h"
#include "cpu/think_observer.h"
#include "rules/strike_damage.h"

namespace kokurin {

namespace {

// The batch personalities evaluate this many candidates a frame.
constexpr int sweepBatch = 21;
constexpr int emptiesBatch = 10;

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
    Thinker(const MatchState& state, ComputerTurn& turn, SwapOutcome& outcome,
            ThinkObserver* observer)
        : state_(state), turn_(turn), outcome_(outcome), observer_(observer),
          size_(turn.candidates.size) {}

    // Evaluates the candidate at candidatePos and moves on to the next position.
    void evaluate() {
        position_ = turn_.candidatePos;
        evaluateSwap(state_, turn_.candidates, index(), outcome_);
        turn_.candidatePos += 1;
    }
    const SwapOutcome& outcome() const { return outcome_; }
    bool atLastCandidate() const { return index() == size_ - 1; }

    void choose() {
        int code = turn_.candidates[index()];
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
        if (observer_ != nullptr) {
            observer_->candidateEvaluated(turn_, position_, outcome_, score);
        }
    }

  private:
    // candidatePos is brought back into range at the start of every frame; a frame's batch
    // never runs past the end, but the index is kept in range all the same.
    int index() const { return ((position_ % size_) + size_) % size_; }

    const MatchState& state_;
    ComputerTurn& turn_;
    SwapOutcome& outcome_;
    ThinkObserver* observer_;
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

// With hit points to spare it takes the first candidate after half a second that would leave it
// alive; close to death it plays like 17 and also takes any survivable exchange.
void survivor(Thinker& t, const MatchState& state, const ComputerTurn& turn) {
    t.evaluate();
    const SwapOutcome& o = t.outcome();
    float own = state.hp[state.currentPlayer];
    const float damage = totalStrikeDamage(o.queueLead < 0 ? -o.queueLead : 0);
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
    int s = leadFirstScore(o);
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

int queueLead(const SwapOutcome& o) {
    return o.queueLead;
}
int emptyCells(const SwapOutcome& o) {
    return o.emptyCells;
}

// One rule a personality: what it does in the frame turn.thinkFrame.
using ThinkRule = void (*)(Thinker& t, const MatchState& state, const ComputerTurn& turn);

// Every eighth frame, the first candidate that clears a line.
void quickClearer(Thinker& t, const MatchState&, const ComputerTurn& turn) {
    if (turn.thinkFrame % 8 == 0) {
        firstClearing(t);
    }
}

// Against a stock, every fourth frame the best lead so far, final once its own entries would
// survive; without one, as the quick clearer.
void stockBreaker(Thinker& t, const MatchState& state, const ComputerTurn& turn) {
    if (!state.queues[1 - state.currentPlayer].empty()) {
        if (turn.thinkFrame % 4 == 0) {
            int s = maximiseOnce(t, queueLead);
            if (t.outcome().queueLead > 0) {
                t.decide();
            }
            t.report(s);
        }
    } else if (turn.thinkFrame % 8 == 0) {
        firstClearing(t);
    }
}

// Every sixth frame the best lead; never satisfied before it must be.
void patientLeader(Thinker& t, const MatchState&, const ComputerTurn& turn) {
    if (turn.thinkFrame % 6 == 0) {
        t.report(maximiseOnce(t, queueLead));
    }
}

// Every fourth frame: four cleared cells, or three once fewer than 90 frames are left.
void bigClearer(Thinker& t, const MatchState& state, const ComputerTurn& turn) {
    if (turn.thinkFrame % 4 == 0) {
        t.evaluate();
        int cleared = t.outcome().emptyCells;
        if (cleared >= 4 || (cleared >= 3 && state.turnTimer < 90)) {
            t.choose();
            t.decide();
        }
        t.report(0);
    }
}

// Every fourth frame: any clearing exchange is kept as a fallback; one that leaves a stock is
// final.
void stockBuilder(Thinker& t, const MatchState&, const ComputerTurn& turn) {
    if (turn.thinkFrame % 4 == 0) {
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
}

// Every fourth frame the most cleared cells.
void wideClearer(Thinker& t, const MatchState&, const ComputerTurn& turn) {
    if (turn.thinkFrame % 4 == 0) {
        t.report(maximiseOnce(t, emptyCells));
    }
}

// Every second frame the rarest element's queue; every third frame the next position judged as
// the colourful personality, against the same best score.
void rareCollector(Thinker& t, const MatchState&, const ComputerTurn& turn) {
    const Element major = turn.favouredMajor;
    const Element minor = turn.favouredMinor;
    if (turn.thinkFrame % 2 == 0) {
        t.report(maximiseOnce(
            t, [&](const SwapOutcome& o) { return rareElementScore(o, major, minor); }));
    }
    if (turn.thinkFrame % 3 == 0) {
        t.report(maximiseOnce(t, kindsFirstScore));
    }
}

// Every third frame the most kinds of element, then lead, then cleared cells.
void colourful(Thinker& t, const MatchState&, const ComputerTurn& turn) {
    if (turn.thinkFrame % 3 == 0) {
        t.report(maximiseOnce(t, kindsFirstScore));
    }
}

// Every odd frame the queue that alternates most.
void alternator(Thinker& t, const MatchState&, const ComputerTurn& turn) {
    if (turn.thinkFrame % 2 != 0) {
        t.report(maximiseOnce(t, alternationScore));
    }
}

// Every odd frame, the survivor's test.
void survivorOnOddFrames(Thinker& t, const MatchState& state, const ComputerTurn& turn) {
    if (turn.thinkFrame % 2 != 0) {
        survivor(t, state, turn);
    }
}

// Every frame the best lead.
void eagerLeader(Thinker& t, const MatchState&, const ComputerTurn&) {
    t.report(maximiseOnce(t, queueLead));
}

// All 630 candidates, ten a frame, for the most cleared cells.
void sweepingClearer(Thinker& t, const MatchState&, const ComputerTurn&) {
    sweep(t, emptiesBatch, emptyCells);
}

// All 630 candidates, 21 a frame, by the planner's measure.
void sweepingPlanner(Thinker& t, const MatchState&, const ComputerTurn&) {
    sweep(t, sweepBatch, plannerScore);
}

// Three frames of four by the planner's measure, one candidate each.
void steadyPlanner(Thinker& t, const MatchState&, const ComputerTurn& turn) {
    if (turn.thinkFrame % 4 != 0) {
        t.report(maximiseOnce(t, plannerScore));
    }
}

// Every fourth frame the best lead, final on two kinds of element.
void mixer(Thinker& t, const MatchState&, const ComputerTurn& turn) {
    if (turn.thinkFrame % 4 == 0) {
        int s = maximiseOnce(t, leadFirstScore);
        if (t.outcome().kindCount >= 2) {
            t.choose();
            t.decide();
        }
        t.report(s);
    }
}

// Every third frame the most cleared cells, final at seven.
void cascader(Thinker& t, const MatchState&, const ComputerTurn& turn) {
    if (turn.thinkFrame % 3 == 0) {
        int s = maximiseOnce(t, emptyCells);
        if (t.outcome().emptyCells >= 7) {
            t.decide();
        }
        t.report(s);
    }
}

// All 630 candidates, 21 a frame, for the best lead.
void sweepingLeader(Thinker& t, const MatchState&, const ComputerTurn&) {
    sweep(t, sweepBatch, queueLead);
}

struct Personality {
    const char* name;
    // Frames per cursor step; 0 marks a number that is no personality.
    int stepFrames;
    ThinkRule think;
};

// By number: 1 .. 15 are the roster's opponents; 8 takes turns as 16, 17 and 18, and 2 plays
// one turn in six as 22 (the turn's set-up decides). 0, 8 and 19 .. 21 are no personality.
const Personality personalities[personalityNumbers] = {
    {"none", 0, nullptr},
    {"quick clearer", 15, quickClearer},
    {"quick clearer, sometimes sweeping", 20, quickClearer},
    {"stock breaker", 15, stockBreaker},
    {"patient leader", 12, patientLeader},
    {"big clearer", 5, bigClearer},
    {"stock builder", 15, stockBuilder},
    {"wide clearer", 10, wideClearer},
    {"three in turn", 0, nullptr},
    {"rare collector", 7, rareCollector},
    {"colourful", 15, colourful},
    {"alternator", 10, alternator},
    {"survivor", 5, survivorOnOddFrames},
    {"eager leader", 10, eagerLeader},
    {"sweeping clearer", 2, sweepingClearer},
    {"sweeping planner", 7, sweepingPlanner},
    {"steady planner", 15, steadyPlanner},
    {"mixer", 15, mixer},
    {"cascader", 5, cascader},
    {"none", 0, nullptr},
    {"none", 0, nullptr},
    {"none", 0, nullptr},
    {"sweeping leader", 2, sweepingLeader},
};

} // namespace

int playedPersonality(std::int32_t opponentType) {
    if (opponentType > 0 && opponentType < personalityNumbers &&
        personalities[opponentType].think != nullptr) {
        return opponentType;
    }
    // Every other value plays as 1, so that every turn has a step length and a rule
    // (kept: fallback-personality).
    return 1;
}

const char* personalityName(int personality) {
    return personalities[playedPersonality(personality)].name;
}

int stepFrames(int personality) {
    return personalities[playedPersonality(personality)].stepFrames;
}

void thinkOneFrame(const MatchState& state, ComputerTurn& turn, int personality,
                   SwapOutcome& scratch, ThinkObserver* observer) {
    if (turn.candidates.empty()) {
        return;
    }
    Thinker t(state, turn, scratch, observer);
    personalities[playedPersonality(personality)].think(t, state, turn);
}

} // namespace kokurin
