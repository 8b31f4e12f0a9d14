// The page's language sources: ?lang=ja or ?lang=en in its address, and the browser's language
// (navigator.language) for a page without ?lang= or a stored choice; and the game's choice told
// back to the page for its own texts, with the keys bound for its key line.
#include <emscripten.h>

#include <string>

#include "input/key_bindings.h"
#include "platform/platform.h"
#include "screens/bound_key_texts.h"
#include "screens/game_texts.h"
#include "web/page_bridge.h"
#include "web/page_language.h"

namespace kokurin {

std::string requestedLanguage() {
    const char* value = emscripten_run_script_string(
        "(function () { var v = new URLSearchParams(window.location.search).get('lang');"
        " return v === 'ja' || v === 'en' ? v : ''; })()");
    return value != nullptr ? value : "";
}

// "ja-JP", "en-US", ...: the game reads the language from its first part.
std::string systemLanguage() {
    const char* value = emscripten_run_script_string(
        "(function () { var v = navigator.language;"
        " return typeof v === 'string' && /^[A-Za-z0-9-]{1,35}$/.test(v) ? v : ''; })()");
    return value != nullptr ? value : "";
}

namespace web {

namespace {

// What the page was last told; nothing yet, so the first call always tells.
bool told = false;
Language toldLanguage = Language::Japanese;

} // namespace

void tellPageLanguage() {
    const Language language = gameLanguage();
    if (!told || language != toldLanguage) {
        told = true;
        toldLanguage = language;
        kokurin_page_set_language(languageCode(language));
    }
    // The key line follows the bindings (the settings screen's own keys while it shows).
    static bool toldKeys = false;
    static KeyBindings toldBindings;
    const KeyBindings& bindings = activeKeyBindings();
    if (!toldKeys || !(bindings == toldBindings)) {
        toldKeys = true;
        toldBindings = bindings;
        std::string names;
        if (!(bindings == defaultKeyBindings())) {
            for (const char* name : {"WASD", "SPACE", "矢印", "arrows", "ENTER"}) {
                names += std::string(name) + "\t" + withBoundKeys(name) + "\n";
            }
        }
        kokurin_page_set_key_names(names.c_str());
    }
}

} // namespace web
} // namespace kokurin
