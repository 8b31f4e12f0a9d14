// The computer's turn: its working record, cursor travel, the personalities and the move choice.
#pragma once

#include <cstdint>

#include "rules/match_state.h"

struct ComputerTurn {
    int thinkFrame = 0;
    bool decided = false;
    int bestScore = -16777215;
    int targetFirst = 0;
    int targetSecond = 0;
    int candidatePos = 0;
    Element favouredMajor = Fire;
    Element favouredMinor = Water;
    int markX = 0;
    int markY = 0;
    bool markActive = false;
};

// Frames per cursor step by personality (0 where no personality exists).
constexpr int cpuStepFramesSize = 23;
extern const std::int32_t cpuStepFrames[cpuStepFramesSize];

// Counts the computer's turns across all matches of the process; never reset.
extern int rotationCounter;

// One travel step when due; true when it completed the exchange.
bool travelStep(MatchState& state, ComputerTurn& turn);
// The orange cursor square and, while raised, the blue mark.
void drawComputerCursor(const MatchState& state, const ComputerTurn& turn);
// Exchanges the cells under the cursor and under the mark.
void finalSwap(MatchState& state, const ComputerTurn& turn);

// One whole computer turn; true when the application must quit.
bool playComputerTurn(MatchState& state);
