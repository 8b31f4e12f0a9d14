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

bool trustCaFile(const std::string& path, std::string& error) {
    std::ifstream file(path);
    if (!file) {
        error = "cannot read the certificate authorities in " + path;
        return false;
    }
        setTrustedCaFile(path);
    return true;
}

} // namespace kokurin
