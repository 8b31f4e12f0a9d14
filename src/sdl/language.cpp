// The language the player asked for on the command line, and the system's: the POSIX locale
// variables in their order of precedence, else SDL's preferred locales (Windows, macOS).
#include "sdl/language.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>

#include "platform/platform.h"

namespace kokurin {

namespace {

std::string requested;

} // namespace

namespace sdl {

bool readLanguageArguments(int argc, char* argv[], std::string& error) {
    for (int i = 1; i < argc; ++i) {
        std::string value;
        if (std::strcmp(argv[i], "--lang") == 0) {
            if (i + 1 >= argc) {
                error = "--lang needs a value: ja or en";
                return false;
            }
            value = argv[++i];
        } else if (std::strncmp(argv[i], "--lang=", 7) == 0) {
            value = argv[i] + 7;
        } else {
            // Other arguments were always ignored (a desktop's or a system's own); they still are.
            continue;
        }
        if (value != "ja" && value != "en") {
            error = "--lang takes ja or en, not '" + value + "'";
            return false;
        }
        requested = value;
    }
    return true;
}

} // namespace sdl

std::string requestedLanguage() {
    return requested;
}

std::string systemLanguage() {
    // LANGUAGE is a list ("en_GB:en"); its first entry is the user's first choice.
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            const std::string text(value);
            return text.substr(0, text.find(':'));
        }
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
