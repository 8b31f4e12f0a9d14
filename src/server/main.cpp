// kokurin-server: the online game's relay. One thread, one io_context: connections accepted under
// the per-address cap, the TLS handshake when the server has a certificate, the first HTTP
// request read under a deadline, then either the WebSocket game (ws_connection.h, handed to the
// ServerLobby) or one file of the web build (or online.json) streamed from the disk.
#include <boost/asio.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket/rfc6455.hpp>

#include <openssl/evp.h>
#include <openssl/sha.h>
#include <openssl/ssl.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <unordered_map>

#include "net/protocol.h"
#include "peer_address.h"
#include "replay_folder.h"
#include "server_lobby.h"
#include "server_log.h"
#include "server_options.h"
#include "web_files.h"
#include "worker_referee.h"
#include "ws_connection.h"
#if defined(KOKURIN_SERVER_REDIS)
#include "redis_directory.h"
#endif

namespace asio = boost::asio;
namespace ssl = asio::ssl;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using kokurin::LogLevel;

namespace {

// A file response may take this long to be read (a slow client holds its connection no longer).
constexpr std::uint32_t fileResponseMs = 120000;

// Sec-WebSocket-Accept: base64 of the SHA-1 of the key and the protocol's own GUID.
std::string webSocketAccept(beast::string_view key) {
    const std::string text = std::string(key) + "258EAFA5-E914-47DA-95CA-C5AB0DC85B11";
    unsigned char digest[SHA_DIGEST_LENGTH];
    SHA1(reinterpret_cast<const unsigned char*>(text.data()), text.size(), digest);
    unsigned char out[64] = {};
    EVP_EncodeBlock(out, digest, SHA_DIGEST_LENGTH);
    return reinterpret_cast<const char*>(out);
}

// A key is 16 random bytes in base64: 24 characters, the last two '='.
bool usableKey(beast::string_view key) {
    if (key.size() != 24 || key.substr(22) != "==") {
        return false;
    }
    for (std::size_t i = 0; i < 22; ++i) {
        const char c = key[i];
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '/') {
            return false;
        }
    }
    return true;
}

// A connection's hold on its address's count, given back when the connection goes.
struct PeerSlot {
    PeerSlot(kokurin::PeerCounts& counts, std::string address)
        : counts(counts), address(std::move(address)) {}
    ~PeerSlot() { counts.release(address); }
    kokurin::PeerCounts& counts;
    std::string address;
};

// A connection from its accept until it is a WebSocket or its HTTP answer is written.
struct Handshake {
    Handshake(tcp::socket socket, ssl::context* tls, std::string peer)
        : timer(socket.get_executor()),
          stream(std::make_unique<kokurin::ClientStream>(std::move(socket), tls)),
          peer(std::move(peer)), buffer(16384) {
        parser.header_limit(8192);
    }
    asio::steady_timer timer;
    std::unique_ptr<kokurin::ClientStream> stream;
    std::string peer;
    std::unique_ptr<PeerSlot> slot;
    beast::flat_buffer buffer;
    http::request_parser<http::empty_body> parser;
    bool done = false;
};

class Server : public kokurin::Outbox, public kokurin::ConnectionHost {
  public:
    Server(asio::io_context& io, const ServerOptions& options, kokurin::ServerLog& log,
           ssl::context* tls, kokurin::RoomDirectory* directory, kokurin::MatchReferee& referee,
           kokurin::ReplayFolder* replays)
        : io_(io), acceptor_(io), timer_(io), acceptPause_(io), options_(options), log_(log),
          tls_(tls), peers_(options.maxConnectionsPerIp),
          lobby_(*this, referee, log, lobbyOptions(options), replays, directory) {
        limits_.sendQueueBytes = options.sendQueueBytes;
    }

    static kokurin::ServerLobbyOptions lobbyOptions(const ServerOptions& options) {
        kokurin::ServerLobbyOptions lobby;
        lobby.stallMs = options.stallMs;
        lobby.maxSpectators = options.maxSpectators;
        lobby.maxMatchFrames = options.maxMatchMinutes * 60u * 60u;
        lobby.maxLeadFrames = options.maxLeadSeconds * 60u;
        return lobby;
    }

    bool prepare(std::string& error) {
        if (!options_.trustProxy.empty() && !proxies_.parse(options_.trustProxy, error)) {
            error = "--trust-proxy: " + error;
            return false;
        }
        if (!options_.webDir.empty() && !web_.open(options_.webDir, error)) {
            error = "--web: " + error;
            return false;
        }
        return true;
    }

    bool listen(std::string& error) {
        beast::error_code ec;
        tcp::endpoint endpoint(asio::ip::make_address(options_.host, ec), options_.port);
        if (ec) {
            error = "bad address " + options_.host;
            return false;
        }
        acceptor_.open(endpoint.protocol(), ec);
        if (!ec) {
            acceptor_.set_option(asio::socket_base::reuse_address(true), ec);
            acceptor_.bind(endpoint, ec);
        }
        if (!ec) {
            acceptor_.listen(asio::socket_base::max_listen_connections, ec);
        }
        if (ec) {
            error = ec.message();
            return false;
        }
        acceptNext();
        tick();
        return true;
    }
    std::uint16_t port() const { return acceptor_.local_endpoint().port(); }

    // The lobby's outbox.
    void send(kokurin::ClientId client, const std::vector<std::uint8_t>& bytes) override {
        auto found = connections_.find(client);
        if (found != connections_.end() && !bytes.empty()) {
            found->second.connection->send(bytes);
        }
    }
    void close(kokurin::ClientId client) override {
        auto found = connections_.find(client);
        if (found != connections_.end()) {
            found->second.connection->closeAfterWrites();
        }
    }

    // The connections' host.
    void received(std::uint64_t id, const std::uint8_t* bytes, std::size_t size) override {
        lobby_.received(id, bytes, size, kokurin::serverClockMs());
    }
    // A connection that queued bytes is written once the handlers that are ready have run, so
    // that the messages a burst of input produces for it go out in one send.
    void wantsFlush(const std::shared_ptr<kokurin::WsConnection>& connection) override {
        toFlush_.push_back(connection);
        if (toFlush_.size() == 1) {
            asio::post(io_, [this] {
                std::vector<std::shared_ptr<kokurin::WsConnection>> due;
                due.swap(toFlush_);
                for (const auto& c : due) {
                    c->flush();
                }
            });
        }
    }
    void ended(std::uint64_t id, const char* why) override {
        auto found = connections_.find(id);
        if (found == connections_.end()) {
            return;
        }
        const std::string peer = found->second.connection->peer();
        connections_.erase(found);
        log_.say(LogLevel::Info, "connection %llu from %s closed: %s (%zu open)",
                 static_cast<unsigned long long>(id), peer.c_str(), why, connections_.size());
        lobby_.disconnected(id, kokurin::serverClockMs());
    }

  private:
    struct Open {
        std::shared_ptr<kokurin::WsConnection> connection;
        std::unique_ptr<PeerSlot> slot;
    };

    void acceptNext() {
        acceptor_.async_accept([this](beast::error_code ec, tcp::socket socket) {
            if (ec == asio::error::operation_aborted) {
                return;
            }
            if (ec == asio::error::no_descriptors || ec.value() == ENFILE ||
                ec == asio::error::no_buffer_space || ec == asio::error::no_memory) {
                // Out of file descriptors: the waiting connection stays in the backlog, and an
                // accept at once would fail again at once. Wait, longer each time.
                acceptBackoffMs_ = acceptBackoffMs_ == 0 ? 50 : std::min(acceptBackoffMs_ * 2, 1000);
                if (acceptBackoffMs_ == 50) {
                    log_.say(LogLevel::Error, "cannot accept connections: %s; waiting",
                             ec.message().c_str());
                }
                acceptPause_.expires_after(std::chrono::milliseconds(acceptBackoffMs_));
                acceptPause_.async_wait([this](beast::error_code waited) {
                    if (!waited) {
                        acceptNext();
                    }
                });
                return;
            }
            if (!ec) {
                acceptBackoffMs_ = 0;
                begin(std::move(socket));
            }
            acceptNext();
        });
    }

    void begin(tcp::socket socket) {
        beast::error_code ec;
        const tcp::endpoint remote = socket.remote_endpoint(ec);
        if (ec) {
            return;
        }
        std::string peer;
        if (!kokurin::canonicalAddress(remote.address().to_string(), peer)) {
            peer = remote.address().to_string();
        }
        auto hs = std::make_shared<Handshake>(std::move(socket), tls_, peer);
        // A trusted proxy's connections count under the client it names, once its request says.
        if (!proxies_.trusts(peer) && !admit(*hs, peer)) {
            return;
        }
        hs->timer.expires_after(std::chrono::milliseconds(options_.handshakeMs));
        hs->timer.async_wait([this, hs](beast::error_code ec) {
            if (!ec && !hs->done) {
                log_.say(LogLevel::Info, "closed a connection from %s: no request within %u s",
                         hs->peer.c_str(), static_cast<unsigned>(options_.handshakeMs / 1000));
                hs->stream->close();
            }
        });
        if (hs->stream->tls() != nullptr) {
            hs->stream->tls()->async_handshake(ssl::stream_base::server,
                                               [this, hs](beast::error_code ec) {
                                                   if (ec) {
                                                       log_.say(LogLevel::Debug,
                                                                "TLS handshake with %s failed: %s",
                                                                hs->peer.c_str(),
                                                                ec.message().c_str());
                                                       hs->stream->close();
                                                       return;
                                                   }
                                                   readRequest(hs);
                                               });
            return;
        }
        readRequest(hs);
    }

    bool admit(Handshake& hs, const std::string& address) {
        if (!peers_.admit(address)) {
            log_.say(LogLevel::Warning,
                     "refused a connection from %s: it holds %u already (--max-connections-per-ip)",
                     address.c_str(), static_cast<unsigned>(options_.maxConnectionsPerIp));
            hs.stream->close();
            return false;
        }
        hs.slot = std::make_unique<PeerSlot>(peers_, address);
        return true;
    }

    void readRequest(const std::shared_ptr<Handshake>& hs) {
        hs->stream->with([&](auto& stream) {
            http::async_read(stream, hs->buffer, hs->parser,
                             [this, hs](beast::error_code ec, std::size_t) {
                                 if (ec) {
                                     // A browser's spare connection closed unused is no refusal.
                                     const bool unused = ec == http::error::end_of_stream ||
                                                         ec == ssl::error::stream_truncated ||
                                                         ec == asio::error::eof;
                                     if (ec != asio::error::operation_aborted) {
                                         log_.say(unused ? LogLevel::Debug : LogLevel::Info,
                                                  "refused a request from %s: %s",
                                                  hs->peer.c_str(), ec.message().c_str());
                                     }
                                     hs->stream->close();
                                     return;
                                 }
                                 answer(hs);
                             });
        });
    }

    void answer(const std::shared_ptr<Handshake>& hs) {
        const auto& request = hs->parser.get();
        if (proxies_.trusts(hs->peer) && hs->slot == nullptr) {
            std::string forwarded;
            for (auto range = request.equal_range("X-Forwarded-For"); range.first != range.second;
                 ++range.first) {
                forwarded += (forwarded.empty() ? "" : ",") + std::string(range.first->value());
            }
            hs->peer = kokurin::forwardedClient(hs->peer, forwarded, proxies_);
            if (!admit(*hs, hs->peer)) {
                return;
            }
        }
        if (beast::websocket::is_upgrade(request)) {
            upgrade(hs);
            return;
        }
        serveFile(hs);
    }

    void upgrade(const std::shared_ptr<Handshake>& hs) {
        const auto& request = hs->parser.get();
        const auto key = request[http::field::sec_websocket_key];
        if (request[http::field::sec_websocket_version] != "13" || !usableKey(key)) {
            log_.say(LogLevel::Info, "refused a WebSocket handshake from %s: bad version or key",
                     hs->peer.c_str());
            auto response = std::make_shared<http::response<http::string_body>>(
                http::status::bad_request, request.version());
            response->set(http::field::sec_websocket_version, "13");
            response->body() = "a WebSocket version 13 handshake is wanted\n";
            respond(hs, response);
            return;
        }
        auto reply = std::make_shared<std::string>(
            "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
            "Sec-WebSocket-Accept: " +
            webSocketAccept(key) + "\r\n\r\n");
        hs->stream->with([&](auto& stream) {
            asio::async_write(stream, asio::buffer(*reply),
                              [this, hs, reply](beast::error_code ec, std::size_t) {
                                  if (ec || hs->done) {
                                      hs->stream->close();
                                      return;
                                  }
                                  opened(hs);
                              });
        });
    }

    void opened(const std::shared_ptr<Handshake>& hs) {
        hs->done = true;
        hs->timer.cancel();
        const kokurin::ClientId id = ++lastId_;
        auto connection = std::make_shared<kokurin::WsConnection>(std::move(hs->stream), *this,
                                                                  log_, id, hs->peer, limits_);
        Open& open = connections_[id];
        open.connection = connection;
        open.slot = std::move(hs->slot);
        log_.say(LogLevel::Info, "connection %llu opened from %s (%zu open)",
                 static_cast<unsigned long long>(id), hs->peer.c_str(), connections_.size());
        lobby_.connected(id, kokurin::serverClockMs());
        // Frames the client sent right after its request were read with it.
        const auto left = hs->buffer.data();
        connection->start(static_cast<const std::uint8_t*>(left.data()), left.size());
    }

    // The web build's files, and online.json: the address of this server as the page sees it,
    // so that a page it served offers online play (src/web/online_link.js asks).
    void serveFile(const std::shared_ptr<Handshake>& hs) {
        const auto& request = hs->parser.get();
        const bool reading =
            request.method() == http::verb::get || request.method() == http::verb::head;
        const std::string target(request.target());
        std::string path;
        std::string address;
        if (reading && target.substr(0, target.find('?')) == "/online.json") {
            auto response = std::make_shared<http::response<http::string_body>>(
                http::status::ok, request.version());
            if (kokurin::pageServerAddress(std::string(request[http::field::host]),
                                           options_.publicUrl, tls_ != nullptr, address)) {
                response->set(http::field::content_type, "application/json");
                response->body() = "{\"server\":\"" + address + "\"}\n";
            } else {
                response->result(http::status::bad_request);
                response->body() = "no usable Host header (the server needs --public-url)\n";
            }
            response->set(http::field::cache_control, "no-store");
            respond(hs, response);
            return;
        }
        beast::error_code ec;
        http::file_body::value_type file;
        if (reading && web_.resolve(target, path)) {
            file.open(path.c_str(), beast::file_mode::scan, ec);
        }
        if (!reading || path.empty() || ec) {
            auto response = std::make_shared<http::response<http::string_body>>(
                http::status::not_found, request.version());
            response->body() = "not found\n";
            respond(hs, response);
            return;
        }
        log_.say(LogLevel::Debug, "serving %s to %s", path.c_str(), hs->peer.c_str());
        if (request.method() == http::verb::head) {
            // The length of what GET would send, and no body.
            auto response = std::make_shared<http::response<http::empty_body>>(
                http::status::ok, request.version());
            response->set(http::field::content_type, kokurin::contentTypeOf(path));
            response->content_length(file.size());
            response->keep_alive(false);
            write(hs, response);
            return;
        }
        // Streamed from the file as the client reads it: a slow reader holds a few kilobytes.
        auto response = std::make_shared<http::response<http::file_body>>(
            std::piecewise_construct, std::make_tuple(std::move(file)),
            std::make_tuple(http::status::ok, request.version()));
        response->set(http::field::content_type, kokurin::contentTypeOf(path));
        response->prepare_payload();
        response->keep_alive(false);
        write(hs, response);
    }

    void respond(const std::shared_ptr<Handshake>& hs,
                 const std::shared_ptr<http::response<http::string_body>>& response) {
        if (response->find(http::field::content_type) == response->end()) {
            response->set(http::field::content_type, "text/plain");
        }
        response->keep_alive(false);
        response->prepare_payload();
        if (hs->parser.get().method() == http::verb::head) {
            const std::string length = std::to_string(response->body().size());
            response->body().clear();
            response->set(http::field::content_length, length);
        }
        write(hs, response);
    }

    template <class Response>
    void write(const std::shared_ptr<Handshake>& hs, const std::shared_ptr<Response>& response) {
        hs->done = true;
        // The answer has its own, longer deadline.
        hs->timer.expires_after(std::chrono::milliseconds(fileResponseMs));
        hs->timer.async_wait([hs](beast::error_code ec) {
            if (!ec) {
                hs->stream->close();
            }
        });
        hs->stream->with([&](auto& stream) {
            http::async_write(stream, *response,
                              [hs, response](beast::error_code ec, std::size_t) {
                                  // Answered: the connection no longer counts for its address.
                                  hs->slot.reset();
                                  if (!ec && hs->stream->tls() != nullptr) {
                                      // The end of the TLS session, then of the connection; a
                                      // browser that keeps it open is not waited for long.
                                      hs->timer.expires_after(std::chrono::seconds(1));
                                      hs->timer.async_wait([hs](beast::error_code waited) {
                                          if (!waited) {
                                              hs->stream->close();
                                          }
                                      });
                                      hs->stream->tls()->async_shutdown([hs](beast::error_code) {
                                          hs->timer.cancel();
                                          hs->stream->close();
                                      });
                                      return;
                                  }
                                  beast::error_code ignored;
                                  hs->stream->socket().shutdown(tcp::socket::shutdown_send,
                                                                ignored);
                                  hs->timer.cancel();
                              });
        });
    }

    void tick() {
        timer_.expires_after(std::chrono::milliseconds(100));
        timer_.async_wait([this](beast::error_code ec) {
            if (!ec) {
                lobby_.tick(kokurin::serverClockMs());
                dropSilent();
                tick();
            }
        });
    }

    // A connection silent for five minutes is gone (every client pings once a second).
    void dropSilent() {
        const std::uint32_t now = kokurin::serverClockMs();
        if (now - lastSilenceCheck_ < 5000) {
            return;
        }
        lastSilenceCheck_ = now;
        std::vector<std::shared_ptr<kokurin::WsConnection>> silent;
        for (const auto& entry : connections_) {
            if (now - entry.second.connection->lastHeard() > 300000) {
                silent.push_back(entry.second.connection);
            }
        }
        for (const auto& connection : silent) {
            connection->finish("silent for five minutes");
        }
    }

    asio::io_context& io_;
    tcp::acceptor acceptor_;
    asio::steady_timer timer_;
    asio::steady_timer acceptPause_;
    int acceptBackoffMs_ = 0;
    ServerOptions options_;
    kokurin::ServerLog& log_;
    ssl::context* tls_;
    kokurin::ConnectionLimits limits_;
    kokurin::TrustedProxies proxies_;
    kokurin::PeerCounts peers_;
    kokurin::WebFolder web_;
    kokurin::ServerLobby lobby_;
    std::unordered_map<kokurin::ClientId, Open> connections_;
    std::vector<std::shared_ptr<kokurin::WsConnection>> toFlush_;
    std::uint32_t lastSilenceCheck_ = 0;
    kokurin::ClientId lastId_ = 0;
};

// The certificate and key, checked against each other; false with the reason.
bool loadTls(ssl::context& context, const ServerOptions& options, std::string& error) {
    context.set_options(ssl::context::default_workarounds | ssl::context::no_sslv2 |
                        ssl::context::no_sslv3 | ssl::context::no_tlsv1 |
                        ssl::context::no_tlsv1_1 | ssl::context::single_dh_use);
    beast::error_code ec;
    context.use_certificate_chain_file(options.tlsCert, ec);
    if (ec) {
        error = "cannot read the certificate " + options.tlsCert + ": " + ec.message();
        return false;
    }
    context.use_private_key_file(options.tlsKey, ssl::context::pem, ec);
    if (ec || SSL_CTX_check_private_key(context.native_handle()) != 1) {
        error = "cannot use the key " + options.tlsKey + " with the certificate" +
                (ec ? ": " + ec.message() : std::string());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    ServerOptions options;
    std::string error;
    if (!parseServerOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::fprintf(stderr, "kokurin-server: %s\n%s", error.c_str(), serverUsage());
        return 2;
    }
    if (options.help) {
        std::fputs(serverUsage(), stdout);
        return 0;
    }
    kokurin::LogLevel level = kokurin::LogLevel::Info;
    kokurin::parseLogLevel(options.logLevel, level);
    kokurin::ServerLog log(level);
    // Made when missing, so that the README's command does not lose its first match's replay.
    std::error_code made;
    if (!options.replayDir.empty()) {
        std::filesystem::create_directories(options.replayDir, made);
    }
    if (made) {
        std::fprintf(stderr, "kokurin-server: cannot make the replay folder %s: %s\n",
                     options.replayDir.c_str(), made.message().c_str());
        return 1;
    }
    std::unique_ptr<ssl::context> tls;
    if (!options.tlsCert.empty()) {
        tls = std::make_unique<ssl::context>(ssl::context::tls_server);
        if (!loadTls(*tls, options, error)) {
            std::fprintf(stderr, "kokurin-server: %s\n", error.c_str());
            return 1;
        }
    }
    asio::io_context io(1);
    std::unique_ptr<kokurin::RoomDirectory> directory;
#if defined(KOKURIN_SERVER_REDIS)
    kokurin::RedisDirectory* redis = nullptr;
    if (!options.redisUrl.empty()) {
        auto made = std::make_unique<kokurin::RedisDirectory>(options.redisHost, options.redisPort,
                                                              "", options.redisTtlMs);
        redis = made.get();
        directory = std::move(made);
    }
#else
    if (!options.redisUrl.empty()) {
        std::fprintf(stderr, "kokurin-server: this build has no Redis support (hiredis was not "
                             "found when it was built)\n");
        return 2;
    }
#endif
    // Finished matches are re-played on a worker; the verdict comes back through the loop.
    kokurin::WorkerReferee referee(
        2, [&io](std::function<void()> done) { asio::post(io, std::move(done)); });
    std::unique_ptr<kokurin::ReplayFolder> replays;
    if (!options.replayDir.empty()) {
        replays = std::make_unique<kokurin::ReplayFolder>(
            options.replayDir,
            kokurin::ReplayFolderLimits{options.replayFiles,
                                        std::uint64_t(options.replayMegabytes) << 20});
    }
    Server server(io, options, log, tls.get(), directory.get(), referee, replays.get());
    if (!server.prepare(error)) {
        std::fprintf(stderr, "kokurin-server: %s\n", error.c_str());
        return 2;
    }
    if (!server.listen(error)) {
        std::fprintf(stderr, "kokurin-server: cannot listen on port %u: %s\n",
                     static_cast<unsigned>(options.port), error.c_str());
        return 1;
    }
    const std::string scheme = tls ? "wss://" : "ws://";
#if defined(KOKURIN_SERVER_REDIS)
    if (redis != nullptr) {
        redis->setAddress(!options.publicUrl.empty()
                              ? options.publicUrl
                              : scheme + "127.0.0.1:" + std::to_string(server.port()) + "/");
        if (!redis->connect(error)) {
            std::fprintf(stderr, "kokurin-server: cannot reach Redis at %s: %s\n",
                         options.redisUrl.c_str(), error.c_str());
            return 3;
        }
    }
#endif
    // Said once everything is ready: the tests wait for this line.
    std::printf("kokurin-server: listening on port %u\n", static_cast<unsigned>(server.port()));
    if (tls) {
        std::printf("kokurin-server: speaking TLS (wss:// and https://)\n");
    }
    if (directory != nullptr) {
        std::printf("kokurin-server: sharing the lobby through Redis at %s as %s\n",
                    options.redisUrl.c_str(), directory->address().c_str());
    }
    std::fflush(stdout);
    asio::signal_set stop(io, SIGINT, SIGTERM);
    stop.async_wait([&io](beast::error_code, int) { io.stop(); });
    io.run();
    return 0;
}
