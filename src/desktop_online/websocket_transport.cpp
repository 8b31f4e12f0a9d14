// The native WebSocket client: resolve, connect, handshake and a read loop on an io_context
// that runs only inside poll() and waitForTraffic(), so nothing happens behind the match's back.
#include "desktop_online/websocket_transport.h"

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>

#include <chrono>
#include <deque>

#include "net/protocol.h"

namespace kokurin {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;

bool splitWebSocketUrl(const std::string& url, std::string& host, std::string& port,
                       std::string& path) {
    const std::string scheme = "ws://";
    if (url.compare(0, scheme.size(), scheme) != 0) {
        return false;
    }
    const std::string rest = url.substr(scheme.size());
    const std::size_t slash = rest.find('/');
    const std::string authority = rest.substr(0, slash);
    path = slash == std::string::npos ? "/" : rest.substr(slash);
    const std::size_t colon = authority.rfind(':');
    host = authority.substr(0, colon);
    port = colon == std::string::npos ? "80" : authority.substr(colon + 1);
    return !host.empty() && !port.empty() &&
           port.find_first_not_of("0123456789") == std::string::npos;
}

struct DesktopWebSocket::State {
    asio::io_context io;
    tcp::resolver resolver{io};
    std::unique_ptr<websocket::stream<beast::tcp_stream>> ws;
    beast::flat_buffer buffer;
    Status status = Status::Closed;
    std::string reason;
    std::deque<std::vector<std::uint8_t>> inbox;
    std::deque<std::vector<std::uint8_t>> outbox;
    bool writing = false;
    // Handlers of an older connection find a newer generation and do nothing.
    int generation = 0;

    void fail(int gen, const std::string& why) {
        if (gen != generation || status == Status::Closed) {
            return;
        }
        status = Status::Closed;
        reason = why;
        beast::error_code ignored;
        beast::get_lowest_layer(*ws).socket().close(ignored);
    }

    void read(int gen) {
        ws->async_read(buffer, [this, gen](beast::error_code ec, std::size_t) {
            if (gen != generation) {
                return;
            }
            if (ec) {
                fail(gen, ec == websocket::error::closed ? "the server closed the connection"
                                                         : "the connection to the server was lost");
                return;
            }
            const auto data = buffer.data();
            const auto* bytes = static_cast<const std::uint8_t*>(data.data());
            inbox.emplace_back(bytes, bytes + data.size());
            buffer.consume(buffer.size());
            read(gen);
        });
    }

    void write(int gen) {
        if (outbox.empty() || status != Status::Open) {
            writing = false;
            return;
        }
        writing = true;
        ws->async_write(asio::buffer(outbox.front()),
                        [this, gen](beast::error_code ec, std::size_t) {
                            if (gen != generation) {
                                return;
                            }
                            if (ec) {
                                fail(gen, "the connection to the server was lost");
                                return;
                            }
                            outbox.pop_front();
                            write(gen);
                        });
    }

    void run(int milliseconds) {
        io.restart();
        if (milliseconds <= 0) {
            io.poll();
        } else {
            io.run_for(std::chrono::milliseconds(milliseconds));
        }
    }
};

DesktopWebSocket::DesktopWebSocket() : state_(std::make_unique<State>()) {}

DesktopWebSocket::~DesktopWebSocket() {
    close();
}

bool DesktopWebSocket::connect(const std::string& url) {
    State& s = *state_;
    std::string host;
    std::string port;
    std::string path;
    ++s.generation;
    s.inbox.clear();
    s.outbox.clear();
    s.writing = false;
    if (!splitWebSocketUrl(url, host, port, path)) {
        s.status = Status::Closed;
        s.reason = "'" + url + "' is not a server address (ws://host:port/)";
        return false;
    }
    s.ws = std::make_unique<websocket::stream<beast::tcp_stream>>(s.io);
    s.ws->binary(true);
    s.ws->read_message_max(net::maxMessageBytes);
    s.status = Status::Connecting;
    const int gen = s.generation;
    s.resolver.async_resolve(
        host, port, [&s, gen, host, path](beast::error_code ec, tcp::resolver::results_type found) {
            if (gen != s.generation) {
                return;
            }
            if (ec) {
                s.fail(gen, "the server " + host + " cannot be found");
                return;
            }
            beast::get_lowest_layer(*s.ws).expires_after(std::chrono::seconds(10));
            beast::get_lowest_layer(*s.ws).async_connect(
                found, [&s, gen, host, path](beast::error_code ec, const tcp::endpoint&) {
                    if (gen != s.generation) {
                        return;
                    }
                    if (ec) {
                        s.fail(gen, "no kokurin server answers at " + host);
                        return;
                    }
                    s.ws->async_handshake(host, path, [&s, gen](beast::error_code ec) {
                        if (gen != s.generation) {
                            return;
                        }
                        if (ec) {
                            s.fail(gen, "the server did not accept a game connection");
                            return;
                        }
                        beast::get_lowest_layer(*s.ws).expires_never();
                        s.status = Status::Open;
                        s.read(gen);
                        s.write(gen);
                    });
                });
        });
    return true;
}

void DesktopWebSocket::send(const std::vector<std::uint8_t>& bytes) {
    State& s = *state_;
    if (bytes.empty() || s.status == Status::Closed) {
        return;
    }
    s.outbox.push_back(bytes);
    if (s.status == Status::Open && !s.writing) {
        s.write(s.generation);
    }
}

net::Transport::Status DesktopWebSocket::poll(std::vector<std::vector<std::uint8_t>>& received) {
    State& s = *state_;
    s.run(0);
    received.assign(s.inbox.begin(), s.inbox.end());
    s.inbox.clear();
    return s.status;
}

void DesktopWebSocket::close() {
    State& s = *state_;
    if (s.ws && s.status != Status::Closed) {
        s.status = Status::Closed;
        s.reason = "closed";
        ++s.generation;
        beast::error_code ignored;
        beast::get_lowest_layer(*s.ws).socket().close(ignored);
        s.run(0);
    }
}

std::string DesktopWebSocket::closeReason() const {
    return state_->reason;
}

void DesktopWebSocket::waitForTraffic(int milliseconds) {
    state_->run(milliseconds);
}

} // namespace kokurin
