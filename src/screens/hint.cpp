// The hint: the computer's look-ahead of every pair of cells for the mover, ranked by the lead
// its queue would have after the clash, then by the cells it would clear.
#include "screens/hint.h"

#include <cstdio>

#include "cpu/swap_evaluation.h"
#include "gfx/text_format.h"
#include "input/input_route.h"
#include "platform/platform.h"
#include "screens/game_texts.h"
#include "sound/game_sounds.h"

namespace kokurin {

void writeHintText(const MatchState& state, char* out, std::size_t size) {
    // One outcome serves all 630 look-aheads: it keeps its queue's storage.
    SwapOutcome outcome;
    int bestScore = -256;
    int bestEmpty = 0;
    int bestFirst = -1;
    int bestSecond = -1;

    for (int i = 0; i < cellCount - 1; ++i) {
        for (int j = i + 1; j < cellCount; ++j) {
            evaluateExchange(state, i, j, outcome);
            // Ties keep the pair met first unless the later one clears more cells
            // (kept: first-pair).
            if (outcome.queueLead > bestScore ||
                (outcome.queueLead == bestScore && outcome.emptyCells > bestEmpty)) {
                bestScore = outcome.queueLead;
                bestEmpty = outcome.emptyCells;
                bestFirst = i;
                bestSecond = j;
            }
        }
    }

    // Only an opponent's stock of 256 or more that no exchange can reduce leaves no pair.
    if (bestFirst < 0) {
        std::snprintf(out, size, "%s", gameTexts().noGoodExchange);
        return;
    }
    std::snprintf(out, size, "(%d,%d)-(%d,%d)", bestFirst % boardSize + 1,
                  bestFirst / boardSize + 1, bestSecond % boardSize + 1,
                  bestSecond / boardSize + 1);
}

const char* hintText(const MatchState& state) {
    char text[textBufferSize];
    writeHintText(state, text, sizeof text);
    return formatText("%s", text);
}

void showHint(const MatchState& state, MatchObserver* observer) {
    char text[textBufferSize];
    writeHintText(state, text, sizeof text);
    if (observer != nullptr) {
        observer->hintShown(state, text);
    }
    soundHintShown();
    if (frameInputSource().allowsModalBoxes()) {
        showMessageBox(text);
    }
}

} // namespace kokurin
