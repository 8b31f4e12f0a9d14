// The measures the maximising personalities rank a look-ahead by (saturating at the int range).
#pragma once

#include "cpu/swap_evaluation.h"

namespace kokurin {

// Lead x (4 while behind, else kinds) + 2 x cleared cells.
int plannerScore(const SwapOutcome& o);
// 256 x lead + cleared cells.
int leadFirstScore(const SwapOutcome& o);
// 65536 x kinds + 256 x lead + cleared cells.
int kindsFirstScore(const SwapOutcome& o);
// 65536 x (4 per queued major + 1 per queued minor) + 256 x min(lead, 0), plus the cleared
// cells while the lead is not positive, minus them otherwise.
int rareElementScore(const SwapOutcome& o, Element major, Element minor);
// Alternation of a queue, front to back: +1 for each entry unlike the one before, +1 more for
// each entry unlike the one two back when that one is also unlike its successor.
int queueChanges(const ClearedQueue& q);
// 256 x changes + lead.
int alternationScore(const SwapOutcome& o);

} // namespace kokurin
