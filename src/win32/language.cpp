// The Windows game's language sources. It takes no command line and leaves the system's
// language unasked, so that it starts in Japanese unless the settings choose English.
#include "platform/platform.h"

namespace kokurin {

std::string requestedLanguage() {
    return "";
}

std::string systemLanguage() {
    return "";
}

} // namespace kokurin
