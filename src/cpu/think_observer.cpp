// The one optional observer of the computer's thinking; the game runs with none.
#include "cpu/think_observer.h"

namespace kokurin {

namespace {
ThinkObserver* installed = nullptr;
}

ThinkObserver* thinkObserver() {
    return installed;
}
void setThinkObserver(ThinkObserver* observer) {
    installed = observer;
}

} // namespace kokurin
