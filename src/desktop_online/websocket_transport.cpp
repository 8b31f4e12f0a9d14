// The native WebSocket client: resolve, connect, (TLS handshake,) WebSocket handshake and a read
// loop on an io_context that runs only inside poll() and waitForTraffic(), so nothing happens
// behind the match's back. The stream is plain or TLS; the code above it is written once for
// both (withStream).
#include "desktop_online/websocket_transport.h"

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>
#if !defined(_WIN32)
#define KOKURIN_DESKTOP_TLS 1
#include <boost/asio/ssl.hpp>
#include <boost/beast/ssl.hpp>
#include <boost/beast/websocket/ssl.hpp>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>
#endif

#include <chrono>
#include <deque>

#include "net/protocol.h"

namespace kokurin {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;

namespace {

std::string& caFile() {
    static std::string path;
    return path;
}

} // namespace

void setTrustedCaFile(const std::string& path) {
    caFile() = path;
}

const std::string& trustedCaFile() {
    return caFile();
}

std::string untrustedCertificateReason(const std::string& why) {
    return "the server's certificate is not trusted (" + why + ")";
}

bool splitWebSocketUrl(const std::string& url, bool& secure, std::string& host, std::string& port,
                       std::string& path) {
    std::string rest;
    if (url.compare(0, 6, "wss://") == 0) {
        secure = true;
        rest = url.substr(6);
    } else if (url.compare(0, 5, "ws://") == 0) {
        secure = false;
        rest = url.substr(5);
    } else {
        return false;
    }
    const std::size_t slash = rest.find('/');
    const std::string authority = rest.substr(0, slash);
    path = slash == std::string::npos ? "/" : rest.substr(slash);
    const std::size_t bracket = authority.rfind(']');
    std::size_t colon = authority.rfind(':');
    if (bracket != std::string::npos && colon != std::string::npos && colon < bracket) {
        colon = std::string::npos;
    }
    host = authority.substr(0, colon);
    port = colon == std::string::npos ? (secure ? "443" : "80") : authority.substr(colon + 1);
    // [::1] is written with brackets in a URL, and resolved without.
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    }
    return !host.empty() && !port.empty() &&
           port.find_first_not_of("0123456789") == std::string::npos;
}

struct DesktopWebSocket::State {
    using Plain = websocket::stream<beast::tcp_stream>;
    asio::io_context io;
    tcp::resolver resolver{io};
    std::unique_ptr<Plain> plain;
#if defined(KOKURIN_DESKTOP_TLS)
    using Secure = websocket::stream<beast::ssl_stream<beast::tcp_stream>>;
    std::unique_ptr<asio::ssl::context> tls;
    std::unique_ptr<Secure> secure;
#else
    // wss:// through the system's TLS: every call goes to it while it is set.
    std::unique_ptr<net::Transport> system;
#endif
    beast::flat_buffer buffer;
    Status status = Status::Closed;
    std::string reason;
    // Why the certificate did not verify ("" while it did, or before the handshake).
    std::string certificateProblem;
    bool certificateRefused = false;
    std::deque<std::vector<std::uint8_t>> inbox;
    std::deque<std::vector<std::uint8_t>> outbox;
    bool writing = false;
    // Handlers of an older connection find a newer generation and do nothing.
    int generation = 0;

    template <class Use> void withStream(Use&& use) {
#if defined(KOKURIN_DESKTOP_TLS)
        if (secure) {
            use(*secure);
            return;
        }
#endif
        use(*plain);
    }

    tcp::socket* socket() {
#if defined(KOKURIN_DESKTOP_TLS)
        if (secure) {
            return &beast::get_lowest_layer(*secure).socket();
        }
#endif
        return plain ? &beast::get_lowest_layer(*plain).socket() : nullptr;
    }

    void fail(int gen, const std::string& why) {
        if (gen != generation || status == Status::Closed) {
            return;
        }
        status = Status::Closed;
        reason = why;
        beast::error_code ignored;
        if (socket() != nullptr) {
            socket()->close(ignored);
        }
    }

    void read(int gen) {
        withStream([&](auto& ws) {
            ws.async_read(buffer, [this, gen](beast::error_code ec, std::size_t) {
                if (gen != generation) {
                    return;
                }
                if (ec) {
                    fail(gen, ec == websocket::error::closed
                                  ? "the server closed the connection"
                                  : "the connection to the server was lost");
                    return;
                }
                const auto data = buffer.data();
                const auto* bytes = static_cast<const std::uint8_t*>(data.data());
                inbox.emplace_back(bytes, bytes + data.size());
                buffer.consume(buffer.size());
                read(gen);
            });
        });
    }

    void write(int gen) {
        if (outbox.empty() || status != Status::Open) {
            writing = false;
            return;
        }
        writing = true;
        withStream([&](auto& ws) {
            ws.async_write(asio::buffer(outbox.front()),
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
        });
    }

    // The WebSocket handshake, once the connection (and its TLS) is up.
    template <class Ws> void upgrade(Ws& ws, int gen, const std::string& host,
                                     const std::string& path) {
        ws.async_handshake(host, path, [this, gen](beast::error_code ec) {
            if (gen != generation) {
                return;
            }
            if (ec) {
                fail(gen, "the server did not accept a game connection");
                return;
            }
            withStream([](auto& s) { beast::get_lowest_layer(s).expires_never(); });
            status = Status::Open;
            read(gen);
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

#if defined(KOKURIN_DESKTOP_TLS)
    // The system's authorities (and --ca-file's); false with the reason when the file is bad.
    bool makeSecure(const std::string& host) {
        tls = std::make_unique<asio::ssl::context>(asio::ssl::context::tls_client);
        beast::error_code ec;
        tls->set_default_verify_paths(ec);
        if (!trustedCaFile().empty()) {
            tls->load_verify_file(trustedCaFile(), ec);
            if (ec) {
                reason = "cannot read the certificate authorities in " + trustedCaFile();
                return false;
            }
        }
        tls->set_verify_mode(asio::ssl::verify_peer);
        secure = std::make_unique<Secure>(io, *tls);
        auto& layer = secure->next_layer();
        // The name the certificate must carry, and (for a name, not an address) SNI.
        beast::error_code notAddress;
        asio::ip::make_address(host, notAddress);
        if (notAddress) {
            SSL_set_tlsext_host_name(layer.native_handle(), host.c_str());
        }
        asio::ssl::host_name_verification check(host);
        layer.set_verify_callback([this, check](bool preverified,
                                                asio::ssl::verify_context& context) mutable {
            const bool ok = check(preverified, context);
            if (!ok && certificateProblem.empty()) {
                const int error = X509_STORE_CTX_get_error(context.native_handle());
                certificateProblem = preverified || error == X509_V_OK
                                         ? "it names another host"
                                         : X509_verify_cert_error_string(error);
            }
            return ok;
        });
        return true;
    }
#endif
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
    bool secure = false;
    ++s.generation;
    s.inbox.clear();
    s.outbox.clear();
    s.writing = false;
    s.certificateProblem.clear();
    s.certificateRefused = false;
    s.plain.reset();
#if defined(KOKURIN_DESKTOP_TLS)
    s.secure.reset();
#else
    s.system.reset();
#endif
    if (!splitWebSocketUrl(url, secure, host, port, path)) {
        s.status = Status::Closed;
        s.reason = "'" + url + "' is not a server address (ws://host:port/)";
        return false;
    }
    if (secure) {
#if defined(KOKURIN_DESKTOP_TLS)
        if (!s.makeSecure(host)) {
            s.status = Status::Closed;
            return false;
        }
#else
        s.system = openSystemTlsWebSocket();
        return s.system->connect(url);
#endif
    } else {
        s.plain = std::make_unique<State::Plain>(s.io);
    }
    s.withStream([&](auto& ws) {
        ws.binary(true);
        ws.read_message_max(net::maxMessageBytes);
    });
    s.status = Status::Connecting;
    const int gen = s.generation;
    s.resolver.async_resolve(host, port, [&s, gen, host, path](beast::error_code ec,
                                                                tcp::resolver::results_type found) {
        if (gen != s.generation) {
            return;
        }
        if (ec) {
            s.fail(gen, "the server " + host + " cannot be found");
            return;
        }
        s.withStream([&](auto& ws) {
            beast::get_lowest_layer(ws).expires_after(std::chrono::seconds(10));
            beast::get_lowest_layer(ws).async_connect(
                found, [&s, gen, host, path](beast::error_code ec, const tcp::endpoint&) {
                    if (gen != s.generation) {
                        return;
                    }
                    if (ec) {
                        s.fail(gen, "no kokurin server answers at " + host);
                        return;
                    }
#if defined(KOKURIN_DESKTOP_TLS)
                    if (s.secure) {
                        s.secure->next_layer().async_handshake(
                            asio::ssl::stream_base::client,
                            [&s, gen, host, path](beast::error_code ec) {
                                if (gen != s.generation) {
                                    return;
                                }
                                if (ec) {
                                    s.certificateRefused = !s.certificateProblem.empty();
                                    s.fail(gen, s.certificateRefused
                                                    ? untrustedCertificateReason(
                                                          s.certificateProblem)
                                                    : "no secure connection to " + host + " (" +
                                                          ec.message() + ")");
                                    return;
                                }
                                s.upgrade(*s.secure, gen, host, path);
                            });
                        return;
                    }
#endif
                    s.upgrade(*s.plain, gen, host, path);
                });
        });
    });
    return true;
}

#if defined(KOKURIN_DESKTOP_TLS)
#define KOKURIN_SYSTEM_TLS(call)
#else
#define KOKURIN_SYSTEM_TLS(call)                                                                  \
    if (state_->system) {                                                                          \
        return state_->system->call;                                                               \
    }
#endif

void DesktopWebSocket::send(const std::vector<std::uint8_t>& bytes) {
    KOKURIN_SYSTEM_TLS(send(bytes))
    State& s = *state_;
    // Only on an open connection: a message queued while a new one connects would reach the
    // server before the Hello the client sends once it is open (a batch of inputs left over
    // from a dropped connection did, and the server rightly refused it).
    if (bytes.empty() || s.status != Status::Open) {
        return;
    }
    s.outbox.push_back(bytes);
    if (!s.writing) {
        s.write(s.generation);
    }
}

net::Transport::Status DesktopWebSocket::poll(std::vector<std::vector<std::uint8_t>>& received) {
    KOKURIN_SYSTEM_TLS(poll(received))
    State& s = *state_;
    s.run(0);
    received.assign(s.inbox.begin(), s.inbox.end());
    s.inbox.clear();
    return s.status;
}

void DesktopWebSocket::close() {
    KOKURIN_SYSTEM_TLS(close())
    State& s = *state_;
    if (s.socket() != nullptr && s.status != Status::Closed) {
        s.status = Status::Closed;
        s.reason = "closed";
        ++s.generation;
        beast::error_code ignored;
        s.socket()->close(ignored);
        s.run(0);
    }
}

std::string DesktopWebSocket::closeReason() const {
    KOKURIN_SYSTEM_TLS(closeReason())
    return state_->reason;
}

bool DesktopWebSocket::certificateRefused() const {
    KOKURIN_SYSTEM_TLS(certificateRefused())
    return state_->certificateRefused;
}

void DesktopWebSocket::waitForTraffic(int milliseconds) {
    KOKURIN_SYSTEM_TLS(waitForTraffic(milliseconds))
    state_->run(milliseconds);
}

} // namespace kokurin
