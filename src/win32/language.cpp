// The Windows game's language sources: --lang on the command line, and the language of the
// user's Windows (the user interface's language, GetUserDefaultUILanguage).
#include <windows.h>

#include "platform/platform.h"
#include "win32/start_up.h"
#include "win32/wide_text.h"

namespace kokurin {

namespace {

std::string requested;

} // namespace

void requestLanguage(const std::string& language) {
    requested = language;
}

std::string requestedLanguage() {
    return requested;
}

// "ja-JP", "en-US", ...: the game reads the language from its first part.
std::string systemLanguage() {
    const LANGID language = GetUserDefaultUILanguage();
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    if (LCIDToLocaleName(MAKELCID(language, SORT_DEFAULT), name, LOCALE_NAME_MAX_LENGTH, 0) > 0) {
        return toUtf8(name);
    }
    // A language without a locale name: Japanese by its number, any other by a name that is
    // not Japanese.
    return PRIMARYLANGID(language) == LANG_JAPANESE ? "ja" : "und";
}

} // namespace kokurin
