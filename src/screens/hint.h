// The hint: every exchange looked ahead, the best one named in a box.
#pragma once

#include <cstddef>

#include "match/match_observer.h"
#include "rules/match_state.h"

namespace kokurin {

// The hint's text for the best pair, "(c,r)-(c,r)" counted from 1 (or the language's notice when
// no pair beats the start values), written into `out`. It touches nothing shared, so matches on
// several threads may ask at once.
void writeHintText(const MatchState& state, char* out, std::size_t size);
// The same in the screens' shared text buffer (valid until the next formatted text).
const char* hintText(const MatchState& state);

// Works the hint out, tells the observer (null: none), sounds it and, where the frames' source
// allows a modal box (not in a replay or online), shows it in one; changes nothing.
void showHint(const MatchState& state, MatchObserver* observer);

} // namespace kokurin
