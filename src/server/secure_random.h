// Random numbers nobody can predict from what they have seen: resume tokens, room codes and
// match seeds come from the system's cryptographic source, never a seeded generator.
#pragma once

#include <cstdint>

namespace kokurin {

// Eight bytes from the kernel's cryptographic generator (getrandom, or /dev/urandom where that
// call is missing). Aborts the process when neither answers: a server must not go on handing
// out guessable tokens.
std::uint64_t secureRandom64();

} // namespace kokurin
