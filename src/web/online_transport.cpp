// The page's online connection: the browser's WebSocket through Emscripten's websocket.h. The
// browser calls back between frames; the callbacks only queue what arrived, and poll() hands it
// to the game, so nothing reaches the match behind its back.
#include <emscripten/websocket.h>

#include <deque>
#include <string>
#include <vector>

#include "net/protocol.h"
#include "net/transport.h"
#include "platform/platform.h"
#include "web/page_bridge.h"

namespace kokurin {

namespace {

class WebSocketTransport : public net::Transport {
  public:
    ~WebSocketTransport() override { close(); }

    bool connect(const std::string& url) override {
        close();
        inbox_.clear();
        reason_.clear();
        // The browser's WebSocket throws (which would end the game) for an address it cannot
        // parse; the page checks it first and says why it will not do.
        char why[256] = {};
        if (kokurin_page_websocket_address_ok(url.c_str(), why, sizeof why) == 0) {
            status_ = Status::Closed;
            reason_ = why;
            return false;
        }
        EmscriptenWebSocketCreateAttributes attributes;
        emscripten_websocket_init_create_attributes(&attributes);
        attributes.url = url.c_str();
        attributes.createOnMainThread = EM_TRUE;
        const EMSCRIPTEN_WEBSOCKET_T socket = emscripten_websocket_new(&attributes);
        if (socket <= 0) {
            status_ = Status::Closed;
            reason_ = "this browser cannot open a connection to " + url;
            return false;
        }
        socket_ = socket;
        status_ = Status::Connecting;
        emscripten_websocket_set_onopen_callback(socket_, this, &WebSocketTransport::opened);
        emscripten_websocket_set_onmessage_callback(socket_, this, &WebSocketTransport::arrived);
        emscripten_websocket_set_onerror_callback(socket_, this, &WebSocketTransport::failed);
        emscripten_websocket_set_onclose_callback(socket_, this, &WebSocketTransport::closed);
        return true;
    }

    void send(const std::vector<std::uint8_t>& bytes) override {
        // The browser's send throws while the socket still connects.
        if (bytes.empty() || status_ != Status::Open) {
            return;
        }
        emscripten_websocket_send_binary(socket_, const_cast<std::uint8_t*>(bytes.data()),
                                         static_cast<std::uint32_t>(bytes.size()));
    }

    Status poll(std::vector<std::vector<std::uint8_t>>& received) override {
        received.assign(inbox_.begin(), inbox_.end());
        inbox_.clear();
        return status_;
    }

    // Safe twice. The browser reports the close later, and by then the socket's callbacks have
    // been taken away, so none can reach a transport that is gone.
    void close() override {
        if (socket_ <= 0) {
            return;
        }
        emscripten_websocket_close(socket_, 1000, nullptr);
        emscripten_websocket_delete(socket_);
        socket_ = 0;
        if (status_ != Status::Closed) {
            status_ = Status::Closed;
            reason_ = "closed";
        }
    }

    std::string closeReason() const override { return reason_; }

  private:
    static EM_BOOL opened(int, const EmscriptenWebSocketOpenEvent*, void* self) {
        auto* transport = static_cast<WebSocketTransport*>(self);
        if (transport->status_ == Status::Connecting) {
            transport->status_ = Status::Open;
        }
        return EM_TRUE;
    }

    static EM_BOOL arrived(int, const EmscriptenWebSocketMessageEvent* event, void* self) {
        auto* transport = static_cast<WebSocketTransport*>(self);
        // Text is no part of the protocol, and a message past the limit is not one either:
        // the game's reader never sees them.
        if (transport->status_ == Status::Open && !event->isText && event->numBytes > 0 &&
            event->numBytes <= net::maxMessageBytes) {
            transport->inbox_.emplace_back(event->data, event->data + event->numBytes);
        }
        return EM_TRUE;
    }

    // The browser tells a script nothing about why a connection failed (no address, refused,
    // not a WebSocket server): only whether it ever opened.
    static EM_BOOL failed(int, const EmscriptenWebSocketErrorEvent*, void* self) {
        static_cast<WebSocketTransport*>(self)->end(false);
        return EM_TRUE;
    }

    static EM_BOOL closed(int, const EmscriptenWebSocketCloseEvent* event, void* self) {
        static_cast<WebSocketTransport*>(self)->end(event->wasClean != 0);
        return EM_TRUE;
    }

    void end(bool clean) {
        if (status_ == Status::Closed) {
            return;
        }
        if (status_ == Status::Connecting) {
            reason_ = "no kokurin server answers at that address";
        } else {
            reason_ = clean ? "the server closed the connection"
                            : "the connection to the server was lost";
        }
        status_ = Status::Closed;
    }

    EMSCRIPTEN_WEBSOCKET_T socket_ = 0;
    Status status_ = Status::Closed;
    std::string reason_;
    std::deque<std::vector<std::uint8_t>> inbox_;
};

} // namespace

std::unique_ptr<net::Transport> openOnlineTransport() {
    if (!emscripten_websocket_is_supported()) {
        return nullptr;
    }
    return std::make_unique<WebSocketTransport>();
}

void announceOnlineRoom(const std::string& serverUrl, const std::string& roomCode) {
    kokurin_page_announce_room(serverUrl.c_str(), roomCode.c_str());
}

} // namespace kokurin
