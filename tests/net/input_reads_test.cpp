// What a match reads of a frame's input, held to the match itself: two matches stepped side by
// side on inputs that differ at random wherever the reads say they may (any key not read, a key
// held or let go rather than pressed, a pick outside a human's turn) play exactly alike, through
// whole matches with turns, cascades, clashes, strikes, the winner screen and ESC.
#include <gtest/gtest.h>

#include <random>

#include "match/match_start.h"
#include "net/input_reads.h"
#include "rules/board.h"

using namespace kokurin;
using namespace kokurin::net;

namespace {

bool samePlay(const Match& a, const Match& b) {
    return a.hash() == b.hash() && a.phase() == b.phase() && a.selected() == b.selected() &&
           a.selectedCol() == b.selectedCol() && a.selectedRow() == b.selectedRow() &&
           a.over() == b.over() && a.outcome() == b.outcome();
}

// A first pair of cells whose exchange makes a line (else two cells at random).
void clearingPair(const MatchState& state, std::mt19937& random, int& first, int& second) {
    MatchState trial;
    for (first = 0; first < cellCount; ++first) {
        for (second = first + 1; second < cellCount; ++second) {
            copyForSimulation(state, trial);
            swapCells(trial, first, second);
            if (boardHasLine(trial)) {
                return;
            }
        }
    }
    first = static_cast<int>(random() % cellCount);
    second = (first + 1) % cellCount;
}

} // namespace

TEST(InputReads, InputsAlikeWhereTheMatchReadsPlayAlike) {
    int phasesSeen[10] = {};
    int variedFrames = 0;
    for (std::uint32_t seed = 1; seed <= 3; ++seed) {
        std::mt19937 random(seed);
        Match a(freshMatchStart(0, seed));
        a.begin(silentListener());
        Match b = a;
        FrameInput aBefore;
        FrameInput bBefore;
        std::uint16_t held = 0;
        int picks[2] = {-1, -1};
        for (int frame = 0; frame < 20000 && !a.over(); ++frame) {
            ++phasesSeen[static_cast<int>(a.phase())];
            const InputReads reads = inputReads(a);
            // Both seats' keys held and let go at random (never ESC but in the last match's end).
            if (random() % 6 == 0) {
                held ^= static_cast<std::uint16_t>(1u << (2 + random() % 10));
            }
            FrameInput in{held, 0};
            if (seed == 3 && frame == 9000) {
                in.keys |= 1u << bitEscape;
            }
            // The mover picks a clearing pair now and then, as a player clicking would.
            if (a.phase() == MatchPhase::HumanTurn && random() % 25 == 0) {
                if (picks[0] < 0) {
                    clearingPair(a.state(), random, picks[0], picks[1]);
                }
                in.pointer = static_cast<std::uint8_t>(1 + picks[0]);
                picks[0] = picks[1];
                picks[1] = -1;
            }
            // The twin's input: anything where the match does not read, a key's press where it
            // does; when its own past leaves no such input, the twin takes this one's past.
            FrameInput twin{static_cast<std::uint16_t>(random() & 0x0ffe), in.pointer};
            twin.keys &= ~(1u << bitEscape);
            twin.keys |= in.keys & (1u << bitEscape);
            const std::uint16_t pressed = in.keys & ~aBefore.keys & reads.keys;
            twin.keys = static_cast<std::uint16_t>((twin.keys & ~reads.keys) | pressed |
                                                   (twin.keys & reads.keys & bBefore.keys));
            if (!reads.pointer) {
                twin.pointer = static_cast<std::uint8_t>(random() % 40);
            }
            if ((pressed & bBefore.keys) != 0) {
                b = a;
                bBefore = aBefore;
                twin = in;
            }
            ASSERT_TRUE(readAlike(in, aBefore, twin, bBefore, reads));
            variedFrames += twin != in;
            a.step(in, silentListener());
            b.step(twin, silentListener());
            ASSERT_TRUE(samePlay(a, b)) << "seed " << seed << " frame " << frame << " phase "
                                        << static_cast<int>(a.phase());
            aBefore = in;
            bBefore = twin;
        }
    }
    // Every phase of a two-human match was met, and the twins mostly differed.
    for (MatchPhase phase :
         {MatchPhase::HumanTurn, MatchPhase::CascadeHoles, MatchPhase::CascadeRefilled,
          MatchPhase::ClashPause, MatchPhase::DamagePause, MatchPhase::Strike, MatchPhase::Between,
          MatchPhase::Winner}) {
        EXPECT_GT(phasesSeen[static_cast<int>(phase)], 0) << static_cast<int>(phase);
    }
    EXPECT_GT(variedFrames, 10000);
}

TEST(InputReads, TheOtherSeatIsPredictedHeldAndNeverPicking) {
    EXPECT_EQ(predictedSeatInput({}), FrameInput{});
    EXPECT_EQ(predictedSeatInput({{0x0004, 0}, {0x0081, 9}}), (FrameInput{0x0081, 0}));
    // A held key reads as nothing; a press of a key not read, too; a press read does not.
    InputReads reads{0x007d, true};
    EXPECT_TRUE(readAlike({0x0004, 0}, {0x0004, 0}, {0, 0}, {0, 0}, reads));
    EXPECT_TRUE(readAlike({0x0080, 0}, {0, 0}, {0, 0}, {0, 0}, reads));
    EXPECT_FALSE(readAlike({0x0004, 0}, {0, 0}, {0x0004, 0}, {0x0004, 0}, reads));
    EXPECT_FALSE(readAlike({0, 3}, {}, {0, 4}, {}, reads));
    EXPECT_TRUE(readAlike({0, 3}, {}, {0, 4}, {}, InputReads{0x0001, false}));
}
