// The hint: the computer's look-ahead of every pair of cells for the mover, ranked by the lead
// its queue would have after the clash, then by the cells it would clear.
#include "screens/hint.h"

#include <cstring>

#include "cpu/swap_evaluation.h"
#include "gfx/text_format.h"
#include "input/input_route.h"
#include "platform/platform.h"
#include "screens/game_texts.h"
#include "screens/match_observer.h"
#include "sound/game_sounds.h"

namespace kokurin {

const char* hintText(const MatchState& state) {
    // One outcome serves all 630 look-aheads: it keeps its queue's storage.
    static SwapOutcome outcome;
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
        return gameTexts().noGoodExchange;
    }
    return formatText("(%d,%d)-(%d,%d)", bestFirst % boardSize + 1, bestFirst / boardSize + 1,
                      bestSecond % boardSize + 1, bestSecond / boardSize + 1);
}

void showHint(const MatchState& state) {
    // Kept apart from the shared format buffer, which an observer's own formatting would reuse.
    char text[textBufferSize];
    std::strncpy(text, hintText(state), sizeof text - 1);
    text[sizeof text - 1] = '\0';
    if (MatchObserver* observer = matchObserver()) {
        observer->hintShown(state, text);
    }
    soundHintShown();
    if (frameInputSource().allowsModalBoxes()) {
        showMessageBox(text);
    }
}

} // namespace kokurin
