// The set-up of a computer turn. The match's generator is shared with the board refills, so the
// order of the draws here (2 for the mark, 630 for the shuffle, 2 for the targets, 1 for
// personality 2 only) is part of what makes a match replay the same.
#include "cpu/turn_setup.h"

#include "rng/sfmt19937.h"
#include "rules/turn_budget.h"

namespace kokurin {

void shuffleCandidates(Sfmt19937& random, CandidateDeck& deck) {
    int urn[candidateCount];
    int n = 0;
    for (int a = 0; a < cellCount; ++a) {
        for (int b = a + 1; b < cellCount; ++b) {
            urn[n++] = a * cellCount + b;
        }
    }
    deck.size = 0;
    for (n = candidateCount; n >= 1; --n) {
        int i = random.randomBelow(n);
        deck.codes[deck.size++] = urn[i];
        urn[i] = urn[n - 1];
    }
}

void favouredElements(const MatchState& state, Element& major, Element& minor) {
    int count[Water + 1] = {};
    for (Element cell : state.cells) {
        if (cell >= Fire && cell <= Water) {
            ++count[cell];
        }
    }
    int rarest = Fire;
    for (int e = Metal; e <= Water; ++e) {
        if (count[e] < count[rarest]) {
            rarest = e;
        }
    }
    major = static_cast<Element>(rarest);
    minor = rarest == Fire ? Water : static_cast<Element>(rarest - 1);
}

void choosePersonalityOfTurn(MatchState& state, Sfmt19937& random, std::int32_t& rotation) {
    // The mover's own type: a personality in the first seat rotates and sweeps as in the second.
    std::int32_t& seatType = computerTypeOfTurn(state);
    seatType %= 20;
    ++rotation;
    std::int32_t type = seatType;
    if (type == 8 || type == 16 || type == 17 || type == 18) {
        // Entry 8 is three personalities taking turns; the count runs on across matches
        // (kept: endless-rotation).
        type = 16 + ((rotation % 3) + 3) % 3;
        seatType = type;
    }
    if (type == 2 && random.randomBelow(6) == 0) {
        // Entry 2 now and then plays one exhaustive turn; the next reduction brings it back
        // (kept: sweep-turn).
        seatType = 22;
    }
}

void setUpComputerTurn(MatchState& state, ComputerTurn& turn, Sfmt19937& random,
                       std::int32_t& rotation) {
    turn = ComputerTurn{};
    turn.markX = random.randomBelow(boardSize);
    turn.markY = random.randomBelow(boardSize);

    int own = state.currentPlayer;
    state.turnTimer = turnBudget(state.hp[own], state.hp[1 - own]);

    shuffleCandidates(random, turn.candidates);
    favouredElements(state, turn.favouredMajor, turn.favouredMinor);

    // Used whenever the decision comes before any candidate was chosen; they may be the same
    // cell (kept: random-targets).
    turn.targetFirst = random.randomBelow(cellCount);
    turn.targetSecond = random.randomBelow(cellCount);

    choosePersonalityOfTurn(state, random, rotation);
}

} // namespace kokurin
