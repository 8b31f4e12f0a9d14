// The SDL game's language sources: --lang on the command line, and the system's locale.
#pragma once

#include <string>

namespace kokurin {
namespace sdl {

// The command line's --lang ("ja", "en", or "" for none), for requestedLanguage.
void requestLanguage(const std::string& language);

} // namespace sdl
} // namespace kokurin
