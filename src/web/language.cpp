// The page's language sources: ?lang=ja or ?lang=en in its address. The browser's own language
// is not asked yet, so that a page without ?lang= or a stored choice starts in Japanese.
#include <emscripten.h>

#include "platform/platform.h"

namespace kokurin {

std::string requestedLanguage() {
    const char* value = emscripten_run_script_string(
        "(function () { var v = new URLSearchParams(window.location.search).get('lang');"
        " return v === 'ja' || v === 'en' ? v : ''; })()");
    return value != nullptr ? value : "";
}

std::string systemLanguage() {
    return "";
}

} // namespace kokurin
