// Online play in the Direct3D game: the native WebSocket client where the build has one.
#include "net/transport.h"
#include "platform/platform.h"

#ifdef KOKURIN_HAVE_BEAST
#include "beast/beast_transport.h"
#endif

namespace kokurin {

std::unique_ptr<net::Transport> openOnlineTransport() {
#ifdef KOKURIN_HAVE_BEAST
    return std::make_unique<BeastTransport>();
#else
    return nullptr;
#endif
}

// The window has nowhere to offer a link; the lobby shows the code.
void announceOnlineRoom(const std::string&, const std::string&) {}

} // namespace kokurin
