// The Direct3D game plays no online matches (the SDL and browser builds do): the lobby says so.
#include "net/transport.h"
#include "platform/platform.h"

namespace kokurin {

std::unique_ptr<net::Transport> openOnlineTransport() {
    return nullptr;
}

void announceOnlineRoom(const std::string&, const std::string&) {}

} // namespace kokurin
