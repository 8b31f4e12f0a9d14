// The kernel's generator: getrandom blocks only until the pool is first seeded at boot.
#include "secure_random.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include <sys/random.h>

namespace kokurin {

namespace {

bool fromDevice(unsigned char* out, std::size_t size) {
    std::FILE* device = std::fopen("/dev/urandom", "rb");
    if (device == nullptr) {
        return false;
    }
    const bool read = std::fread(out, 1, size, device) == size;
    std::fclose(device);
    return read;
}

} // namespace

std::uint64_t secureRandom64() {
    unsigned char bytes[8];
    std::size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break;
        }
    }
    if (got < sizeof bytes && !fromDevice(bytes, sizeof bytes)) {
        std::fputs("kokurin-server: no cryptographic random source\n", stderr);
        std::abort();
    }
    std::uint64_t value = 0;
    for (unsigned char b : bytes) {
        value = (value << 8) | b;
    }
    return value;
}

} // namespace kokurin
