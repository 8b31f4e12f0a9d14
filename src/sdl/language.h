// The SDL game's language sources: --lang on the command line, and the system's locale.
#pragma once

#include <string>

namespace kokurin {
namespace sdl {

// Reads "--lang ja|en" (or "--lang=ja|en") from the arguments, ignoring the others. False, with
// a message for stderr, for a missing or bad value; no --lang leaves the choice open.
bool readLanguageArguments(int argc, char* argv[], std::string& error);

} // namespace sdl
} // namespace kokurin
