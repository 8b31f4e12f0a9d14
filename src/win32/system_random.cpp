// The Windows game's random source for the player key: RtlGenRandom (advapi32).
#include <windows.h>
#include <ntsecapi.h>

#include "platform/platform.h"

namespace kokurin {

bool fillSystemRandom(std::uint8_t* bytes, std::size_t count) {
    return RtlGenRandom(bytes, static_cast<ULONG>(count)) != FALSE;
}

} // namespace kokurin
