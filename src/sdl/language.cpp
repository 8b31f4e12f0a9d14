// The language the player asked for on the command line, and the system's: the POSIX locale
// variables as gettext reads them, else SDL's preferred locales (Windows, macOS).
#include "sdl/language.h"

#include <SDL.h>

#include <cstdlib>

#include "platform/platform.h"

namespace kokurin {

namespace {

std::string requested;

} // namespace

namespace sdl {

void requestLanguage(const std::string& language) {
    requested = language;
}

} // namespace sdl

std::string requestedLanguage() {
    return requested;
}

std::string systemLanguage() {
    // The messages' locale: the first of LC_ALL, LC_MESSAGES and LANG that is set. LANGUAGE,
    // a list of choices ("ja:en"), comes before it unless the locale is C, which asks for the
    // programs' own untranslated texts (as gettext does).
    std::string locale;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            locale = value;
            break;
        }
    }
    const std::string code = locale.substr(0, locale.find_first_of("_.@"));
    const bool plain = code == "C" || code == "POSIX";
    const char* list = std::getenv("LANGUAGE");
    if (list != nullptr && *list != '\0' && !plain) {
        const std::string text(list);
        return text.substr(0, text.find(':'));
    }
    if (!locale.empty()) {
        return locale;
    }
    std::string found;
    if (SDL_Locale* locales = SDL_GetPreferredLocales()) {
        if (locales[0].language != nullptr) {
            found = locales[0].language;
        }
        SDL_free(locales);
    }
    return found;
}

} // namespace kokurin
