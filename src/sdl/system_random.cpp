// The SDL game's random source for the player key: the kernel's generator on Linux and macOS,
// RtlGenRandom on Windows.
#include "platform/platform.h"

#if defined(_WIN32)
#include <windows.h>
#include <ntsecapi.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace kokurin {

bool fillSystemRandom(std::uint8_t* bytes, std::size_t count) {
#if defined(_WIN32)
    return RtlGenRandom(bytes, static_cast<ULONG>(count)) != FALSE;
#else
    const int fd = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = ::read(fd, bytes + done, count - done);
        if (got <= 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    ::close(fd);
    return done == count;
#endif
}

} // namespace kokurin
