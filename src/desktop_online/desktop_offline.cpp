// The desktop games' online calls in a build without the WebSocket client (no Boost): the
// lobby says this build cannot play online.
#include "net/transport.h"
#include "platform/platform.h"

namespace kokurin {

std::unique_ptr<net::Transport> openOnlineTransport() {
    return nullptr;
}

void announceOnlineRoom(const std::string&, const std::string&) {}

} // namespace kokurin
