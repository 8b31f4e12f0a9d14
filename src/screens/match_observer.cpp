// The one optional observer of the match loops; the game runs with none.
#include "screens/match_observer.h"

namespace kokurin {

namespace {
MatchObserver* installed = nullptr;
}

MatchObserver* matchObserver() {
    return installed;
}
void setMatchObserver(MatchObserver* observer) {
    installed = observer;
}

} // namespace kokurin
