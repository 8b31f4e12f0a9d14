// The page's random source for the player key: the browser's crypto.getRandomValues, which
// Emscripten's getentropy calls (at most 256 bytes a call).
#include <unistd.h>

#include "platform/platform.h"

namespace kokurin {

bool fillSystemRandom(std::uint8_t* bytes, std::size_t count) {
    while (count > 0) {
        const std::size_t part = count < 256 ? count : 256;
        if (getentropy(bytes, part) != 0) {
            return false;
        }
        bytes += part;
        count -= part;
    }
    return true;
}

} // namespace kokurin
