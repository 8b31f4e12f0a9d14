// The desktop games' online calls (the SDL game and the Direct3D game): the native WebSocket
// client. A window has nowhere to offer a room's link; the lobby shows the room's code.
#include <fstream>

#include "desktop_online/ca_file_argument.h"
#include "desktop_online/websocket_transport.h"

#include "platform/platform.h"

namespace kokurin {

std::unique_ptr<net::Transport> openOnlineTransport() {
    return std::make_unique<DesktopWebSocket>();
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
        setTrustedCaFile(argv[i + 1]);
    }
    return true;
}

} // namespace kokurin
