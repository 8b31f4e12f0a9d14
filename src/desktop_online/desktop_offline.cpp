// The desktop games' online calls in a build without the WebSocket client (no Boost): the
// lobby says this build cannot play online.
#include <fstream>

#include "desktop_online/ca_file_argument.h"
#include "net/transport.h"

#include "platform/platform.h"

namespace kokurin {

std::unique_ptr<net::Transport> openOnlineTransport() {
    return nullptr;
}

void announceOnlineRoom(const std::string&, const std::string&) {}

bool readCaFileArgument(int argc, const char* const argv[], std::string& error) {
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) != "--ca-file") {
            continue;
        }
        if (i + 1 >= argc) {
            error = "--ca-file needs a file";
            return false;
        }
        std::ifstream file(argv[i + 1]);
        if (!file) {
            error = std::string("cannot read the certificate authorities in ") + argv[i + 1];
            return false;
        }
        // Nothing to trust it for: this build plays no online matches.
    }
    return true;
}

} // namespace kokurin
