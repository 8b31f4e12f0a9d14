// The page's online connection (to come: the browser's WebSocket).
#include "net/transport.h"
#include "platform/platform.h"

namespace kokurin {

std::unique_ptr<net::Transport> openOnlineTransport() {
    return nullptr;
}

void announceOnlineRoom(const std::string&, const std::string&) {}

} // namespace kokurin
