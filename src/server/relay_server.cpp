// The loops, the acceptor that deals connections out to them, and the hand-over of a
// connection from one loop to another. Each loop's objects are touched only on its own thread;
// the one exception is the move of a connection, made when nothing of it is under way on the
// loop it leaves, and published to the loop it joins through that loop's queue.
#include "relay_server.h"

#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket/rfc6455.hpp>

#include <openssl/evp.h>
#include <openssl/sha.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "api/ranked_api.h"
#include "background_worker.h"
#include "live_matches.h"
#include "loop_directory.h"
#include "net/protocol.h"
#include "peer_address.h"
#include "server_lobby.h"
#include "store_records.h"
#include "web_files.h"
#include "worker_referee.h"
#include "ws_connection.h"

namespace kokurin {

namespace asio = boost::asio;
namespace ssl = asio::ssl;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

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

// The open connections of every address, counted across the loops (asked at a connection's
// start and end only).
class SharedPeerCounts {
  public:
    explicit SharedPeerCounts(std::size_t most) : counts_(most) {}
    bool admit(const std::string& address) {
        std::lock_guard<std::mutex> hold(lock_);
        return counts_.admit(address);
    }
    void release(const std::string& address) {
        std::lock_guard<std::mutex> hold(lock_);
        counts_.release(address);
    }

  private:
    std::mutex lock_;
    PeerCounts counts_;
};

// A connection's hold on its address's count, given back when the connection goes (on
// whichever loop it is then).
struct PeerSlot {
    PeerSlot(SharedPeerCounts& counts, std::string address)
        : counts(counts), address(std::move(address)) {}
    ~PeerSlot() { counts.release(address); }
    SharedPeerCounts& counts;
    std::string address;
};

// An io_context whose pending handlers can be dropped before any loop's objects go: a handler
// of one loop may hold a connection whose socket is another loop's.
struct LoopContext : asio::io_context {
    LoopContext() : asio::io_context(1) {}
    using asio::execution_context::shutdown;
};

// A connection from its accept until it is a WebSocket or its HTTP answer is written.
struct Handshake {
    Handshake(tcp::socket socket, ssl::context* tls, std::string peer)
        : timer(socket.get_executor()),
          stream(std::make_unique<ClientStream>(std::move(socket), tls)), peer(std::move(peer)),
          buffer(16384) {
        parser.header_limit(8192);
    }
    asio::steady_timer timer;
    std::unique_ptr<ClientStream> stream;
    std::string peer;
    std::unique_ptr<PeerSlot> slot;
    beast::flat_buffer buffer;
    http::request_parser<http::empty_body> parser;
    bool done = false;
};

} // namespace

struct RelayServer::Shared {
    Shared(const ServerOptions& options, ServerLog& log, ssl::context* tls,
           RoomDirectory* directory, ReplayFolder* replays)
        : options(options), log(log), tls(tls), directory(directory), replays(replays),
          peers(options.maxConnectionsPerIp) {}
    ~Shared();

    ServerOptions options;
    ServerLog& log;
    ssl::context* tls;
    RoomDirectory* directory;
    ReplayFolder* replays;
    TrustedProxies proxies;
    WebFolder web;
    SharedPeerCounts peers;
    std::atomic<ClientId> lastId{0};
    // Ranked play (setRanked): null without a store.
    store::RankedStore* rankedStore = nullptr;
    ReplayFolderLimits folderLimits{0, 0};
    api::RankedApi* api = nullptr;
    LiveMatches* live = nullptr;
    BackgroundWorker* apiWorker = nullptr;
    // The io_contexts outlive every loop's objects (their handlers are dropped first).
    std::vector<std::unique_ptr<LoopContext>> contexts;
    // Several loops find each other's rooms here (none with one loop).
    std::unique_ptr<LoopDirectory> rooms;
    std::vector<std::unique_ptr<Loop>> loops;
    std::unique_ptr<tcp::acceptor> acceptor;
    std::unique_ptr<asio::steady_timer> acceptPause;
    int acceptBackoffMs = 0;
    std::size_t nextLoop = 0;

    void acceptNext();
};

namespace {

ServerLobbyOptions lobbyOptions(const ServerOptions& options) {
    ServerLobbyOptions lobby;
    lobby.stallMs = options.stallMs;
    lobby.maxSpectators = options.maxSpectators;
    lobby.maxMatchFrames = options.maxMatchMinutes * 60u * 60u;
    lobby.maxLeadFrames = options.maxLeadSeconds * 60u;
    return lobby;
}

} // namespace

class RelayServer::Loop : public Outbox, public ConnectionHost {
  public:
    Loop(Shared& shared, int index, LoopContext& io);
    ~Loop() override;

    LoopContext& io() { return io_; }
    void start() { tick(); }
    // Ranked play: this loop's records over the shared store, answered on this loop.
    void keepRecords(store::RankedStore& store, const ReplayFolderLimits& folderLimits) {
        LoopContext& io = io_;
        records_ = std::make_unique<StoreRecords>(
            store, folderLimits,
            [&io](std::function<void()> done) { asio::post(io, std::move(done)); }, wallClockMs);
        lobby_.setRecords(records_.get());
    }
    // A connection another loop handed over, with the request it was handed over for.
    void adopt(const std::shared_ptr<WsConnection>& connection, std::shared_ptr<PeerSlot> slot,
               const CarriedClient& carried, const std::vector<std::uint8_t>& request);

    // The lobby's outbox.
    void send(ClientId client, const std::vector<std::uint8_t>& bytes) override {
        auto found = connections_.find(client);
        if (found != connections_.end() && !bytes.empty()) {
            found->second.connection->send(bytes);
        }
    }
    void close(ClientId client) override {
        auto found = connections_.find(client);
        if (found != connections_.end()) {
            found->second.connection->closeAfterWrites();
        }
    }

    bool handOver(ClientId client, const std::string& address, const CarriedClient& carried,
                  const std::vector<std::uint8_t>& request) override;

    // The connections' host.
    void received(std::uint64_t id, const std::uint8_t* bytes, std::size_t size) override {
        lobby_.received(id, bytes, size, serverClockMs());
    }
    // A connection that queued bytes is written once the handlers that are ready have run, so
    // that the messages a burst of input produces for it go out in one send.
    void wantsFlush(const std::shared_ptr<WsConnection>& connection) override {
        toFlush_.push_back(connection);
        if (toFlush_.size() == 1) {
            asio::post(io_, [this] {
                std::vector<std::shared_ptr<WsConnection>> due;
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
        lobby_.disconnected(id, serverClockMs());
    }

    void begin(tcp::socket socket) {
        beast::error_code ec;
        const tcp::endpoint remote = socket.remote_endpoint(ec);
        if (ec) {
            return;
        }
        std::string peer;
        if (!canonicalAddress(remote.address().to_string(), peer)) {
            peer = remote.address().to_string();
        }
        auto hs = std::make_shared<Handshake>(std::move(socket), shared_.tls, peer);
        // A trusted proxy's connections count under the client it names, once its request says.
        if (!shared_.proxies.trusts(peer) && !admit(*hs, peer)) {
            return;
        }
        hs->timer.expires_after(std::chrono::milliseconds(shared_.options.handshakeMs));
        hs->timer.async_wait([this, hs](beast::error_code ec) {
            if (!ec && !hs->done) {
                log_.say(LogLevel::Info, "closed a connection from %s: no request within %u s",
                         hs->peer.c_str(),
                         static_cast<unsigned>(shared_.options.handshakeMs / 1000));
                hs->stream->close();
            }
        });
        if (hs->stream->tls() != nullptr) {
            hs->stream->tls()->async_handshake(
                ssl::stream_base::server, [this, hs](beast::error_code ec) {
                    if (ec) {
                        log_.say(LogLevel::Debug, "TLS handshake with %s failed: %s",
                                 hs->peer.c_str(), ec.message().c_str());
                        hs->stream->close();
                        return;
                    }
                    readRequest(hs);
                });
            return;
        }
        readRequest(hs);
    }

  private:
    struct Open {
        std::shared_ptr<WsConnection> connection;
        std::shared_ptr<PeerSlot> slot;
    };

    bool admit(Handshake& hs, const std::string& address) {
        if (!shared_.peers.admit(address)) {
            log_.say(LogLevel::Warning,
                     "refused a connection from %s: it holds %u already (--max-connections-per-ip)",
                     address.c_str(), static_cast<unsigned>(shared_.options.maxConnectionsPerIp));
            hs.stream->close();
            return false;
        }
        hs.slot = std::make_unique<PeerSlot>(shared_.peers, address);
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
                                                  "refused a request from %s: %s", hs->peer.c_str(),
                                                  ec.message().c_str());
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
        if (shared_.proxies.trusts(hs->peer) && hs->slot == nullptr) {
            std::string forwarded;
            for (auto range = request.equal_range("X-Forwarded-For"); range.first != range.second;
                 ++range.first) {
                forwarded += (forwarded.empty() ? "" : ",") + std::string(range.first->value());
            }
            hs->peer = forwardedClient(hs->peer, forwarded, shared_.proxies);
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
        const ClientId id = ++shared_.lastId;
        auto connection = std::make_shared<WsConnection>(std::move(hs->stream), *this, log_, id,
                                                         hs->peer, limits_);
        Open& open = connections_[id];
        open.connection = connection;
        open.slot = std::move(hs->slot);
        log_.say(LogLevel::Info, "connection %llu opened from %s (%zu open)",
                 static_cast<unsigned long long>(id), hs->peer.c_str(), connections_.size());
        lobby_.connected(id, serverClockMs());
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
        if (api::RankedApi::handles(target.substr(0, target.find('?')))) {
            answerApi(hs, target, reading);
            return;
        }
        if (reading && target.substr(0, target.find('?')) == "/online.json") {
            auto response = std::make_shared<http::response<http::string_body>>(http::status::ok,
                                                                                request.version());
            if (pageServerAddress(std::string(request[http::field::host]),
                                  shared_.options.publicUrl, shared_.tls != nullptr, address)) {
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
        if (reading && shared_.web.resolve(target, path)) {
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
        sendFile(hs, std::move(file), contentTypeOf(path), {});
    }

    // A file opened for the answer: its length for HEAD, else streamed from the disk as the
    // client reads it (a slow reader holds a few kilobytes).
    void sendFile(const std::shared_ptr<Handshake>& hs, http::file_body::value_type file,
                  const std::string& type,
                  const std::vector<std::pair<http::field, std::string>>& headers) {
        const auto& request = hs->parser.get();
        if (request.method() == http::verb::head) {
            // The length of what GET would send, and no body.
            auto response = std::make_shared<http::response<http::empty_body>>(http::status::ok,
                                                                               request.version());
            response->set(http::field::content_type, type);
            for (const auto& header : headers) {
                response->set(header.first, header.second);
            }
            response->content_length(file.size());
            response->keep_alive(false);
            write(hs, response);
            return;
        }
        auto response = std::make_shared<http::response<http::file_body>>(
            std::piecewise_construct, std::make_tuple(std::move(file)),
            std::make_tuple(http::status::ok, request.version()));
        response->set(http::field::content_type, type);
        for (const auto& header : headers) {
            response->set(header.first, header.second);
        }
        response->prepare_payload();
        response->keep_alive(false);
        write(hs, response);
    }

    // /api/: read-only, answered on the API's worker (the store may be slow or far away), then
    // written from this loop like any answer.
    void answerApi(const std::shared_ptr<Handshake>& hs, const std::string& target,
                   bool reading) {
        api::ApiAnswer refusal;
        refusal.contentType = "application/json; charset=utf-8";
        refusal.cacheControl = "no-store";
        if (!reading) {
            refusal.status = 405;
            refusal.body = "{\"error\": \"only GET and HEAD are answered\"}\n";
        } else if (shared_.api == nullptr) {
            refusal.status = 404;
            refusal.body = "{\"error\": \"this server keeps no ranked play\"}\n";
        } else {
            api::RankedApi* ranked = shared_.api;
            LoopContext& io = io_;
            const bool queued = shared_.apiWorker->run([this, ranked, &io, hs, target] {
                api::ApiAnswer answer = ranked->answer(target, wallClockMs());
                asio::post(io, [this, hs, answer = std::move(answer)] { sendApi(hs, answer); });
            });
            if (queued) {
                return;
            }
            refusal.status = 503;
            refusal.body = "{\"error\": \"the server is busy; ask again\"}\n";
        }
        sendApi(hs, refusal);
    }

    void sendApi(const std::shared_ptr<Handshake>& hs, const api::ApiAnswer& answer) {
        const auto& request = hs->parser.get();
        if (!answer.filePath.empty()) {
            // A replay: the file the store's row names, never a path from the request.
            beast::error_code ec;
            http::file_body::value_type file;
            file.open(answer.filePath.c_str(), beast::file_mode::scan, ec);
            if (!ec) {
                std::vector<std::pair<http::field, std::string>> headers = {
                    {http::field::cache_control, answer.cacheControl}};
                if (!answer.contentDisposition.empty()) {
                    headers.emplace_back(http::field::content_disposition,
                                         answer.contentDisposition);
                }
                sendFile(hs, std::move(file), answer.contentType, headers);
                return;
            }
            api::ApiAnswer gone;
            gone.status = 404;
            gone.contentType = "application/json; charset=utf-8";
            gone.cacheControl = "no-store";
            gone.body = "{\"error\": \"no replay for that match\"}\n";
            sendApi(hs, gone);
            return;
        }
        auto response = std::make_shared<http::response<http::string_body>>(
            static_cast<http::status>(answer.status), request.version());
        response->set(http::field::content_type, answer.contentType);
        if (!answer.cacheControl.empty()) {
            response->set(http::field::cache_control, answer.cacheControl);
        }
        if (answer.status == 405) {
            response->set(http::field::allow, "GET, HEAD");
        }
        response->body() = answer.body;
        respond(hs, response);
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
            http::async_write(stream, *response, [hs, response](beast::error_code ec, std::size_t) {
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
                hs->stream->socket().shutdown(tcp::socket::shutdown_send, ignored);
                hs->timer.cancel();
            });
        });
    }

    void tick() {
        timer_.expires_after(std::chrono::milliseconds(100));
        timer_.async_wait([this](beast::error_code ec) {
            if (!ec) {
                lobby_.tick(serverClockMs());
                if (shared_.live != nullptr) {
                    shared_.live->update(index_, lobby_.liveMatches(serverClockMs()),
                                         wallClockMs());
                }
                dropSilent();
                tick();
            }
        });
    }

    // A connection silent for five minutes is gone (every client pings once a second).
    void dropSilent() {
        const std::uint32_t now = serverClockMs();
        if (now - lastSilenceCheck_ < 5000) {
            return;
        }
        lastSilenceCheck_ = now;
        std::vector<std::shared_ptr<WsConnection>> silent;
        for (const auto& entry : connections_) {
            if (now - entry.second.connection->lastHeard() > 300000) {
                silent.push_back(entry.second.connection);
            }
        }
        for (const auto& connection : silent) {
            connection->finish("silent for five minutes");
        }
    }

    Shared& shared_;
    int index_;
    LoopContext& io_;
    asio::steady_timer timer_;
    ServerLog& log_;
    ConnectionLimits limits_;
    WorkerReferee referee_;
    ServerLobby lobby_;
    // After the lobby, so that it stops (its call finished) before the lobby goes.
    std::unique_ptr<StoreRecords> records_;
    std::unordered_map<ClientId, Open> connections_;
    std::vector<std::shared_ptr<WsConnection>> toFlush_;
    std::uint32_t lastSilenceCheck_ = 0;
};

RelayServer::Loop::Loop(Shared& shared, int index, LoopContext& io)
    : shared_(shared), index_(index), io_(io), timer_(io), log_(shared.log),
      // Finished matches are re-played on workers; each verdict comes back through this loop.
      referee_(shared.options.threads == 1 ? 2 : 1,
               [&io](std::function<void()> done) { asio::post(io, std::move(done)); }),
      lobby_(*this, referee_, shared.log, lobbyOptions(shared.options), shared.replays,
             shared.rooms != nullptr ? &shared.rooms->view(index) : shared.directory) {
    limits_.sendQueueBytes = shared.options.sendQueueBytes;
}

RelayServer::Loop::~Loop() = default;

bool RelayServer::Loop::handOver(ClientId client, const std::string& address,
                                 const CarriedClient& carried,
                                 const std::vector<std::uint8_t>& request) {
    int target = 0;
    if (shared_.rooms == nullptr || !shared_.rooms->loopOf(address, target) || target == index_) {
        return false;
    }
    auto found = connections_.find(client);
    if (found == connections_.end()) {
        return false;
    }
    Loop& to = *shared_.loops[static_cast<std::size_t>(target)];
    std::shared_ptr<WsConnection> connection = found->second.connection;
    std::shared_ptr<PeerSlot> slot = std::move(found->second.slot);
    connections_.erase(found);
    log_.say(LogLevel::Info, "connection %llu goes to thread %d",
             static_cast<unsigned long long>(client), target);
    connection->moveTo(to.io_, to,
                       [&to, slot, carried, request](const std::shared_ptr<WsConnection>& c) {
                           to.adopt(c, slot, carried, request);
                       });
    return true;
}

void RelayServer::Loop::adopt(const std::shared_ptr<WsConnection>& connection,
                              std::shared_ptr<PeerSlot> slot, const CarriedClient& carried,
                              const std::vector<std::uint8_t>& request) {
    const ClientId id = connection->id();
    Open& open = connections_[id];
    open.connection = connection;
    open.slot = std::move(slot);
    const std::uint32_t now = serverClockMs();
    lobby_.adopt(id, carried, now);
    lobby_.received(id, request.data(), request.size(), now);
    connection->resume();
}

RelayServer::Shared::~Shared() {
    // Every loop's pending handlers go first (one may hold another loop's connection), then
    // the loops, then their io_contexts.
    for (auto& context : contexts) {
        context->shutdown();
    }
    acceptPause.reset();
    acceptor.reset();
    loops.clear();
    rooms.reset();
}

void RelayServer::Shared::acceptNext() {
    // Each connection is made on the loop whose turn it is, and begins there.
    Loop& to = *loops[nextLoop];
    nextLoop = (nextLoop + 1) % loops.size();
    acceptor->async_accept(to.io(), [this, &to](beast::error_code ec, tcp::socket socket) {
        if (ec == asio::error::operation_aborted) {
            return;
        }
        if (ec == asio::error::no_descriptors || ec.value() == ENFILE ||
            ec == asio::error::no_buffer_space || ec == asio::error::no_memory) {
            // Out of file descriptors: the waiting connection stays in the backlog, and an
            // accept at once would fail again at once. Wait, longer each time.
            acceptBackoffMs = acceptBackoffMs == 0 ? 50 : std::min(acceptBackoffMs * 2, 1000);
            if (acceptBackoffMs == 50) {
                log.say(LogLevel::Error, "cannot accept connections: %s; waiting",
                        ec.message().c_str());
            }
            acceptPause->expires_after(std::chrono::milliseconds(acceptBackoffMs));
            acceptPause->async_wait([this](beast::error_code waited) {
                if (!waited) {
                    acceptNext();
                }
            });
            return;
        }
        if (!ec) {
            acceptBackoffMs = 0;
            if (&to.io() == &static_cast<asio::io_context&>(*contexts[0])) {
                to.begin(std::move(socket));
            } else {
                asio::post(to.io(),
                           [&to, s = std::move(socket)]() mutable { to.begin(std::move(s)); });
            }
        }
        acceptNext();
    });
}

int relayLoopsFor(std::uint32_t threads) {
    if (threads > 0) {
        return static_cast<int>(threads);
    }
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(std::min(cores, 256u));
}

RelayServer::RelayServer(const ServerOptions& options, ServerLog& log, ssl::context* tls,
                         RoomDirectory* directory, ReplayFolder* replays)
    : shared_(std::make_unique<Shared>(options, log, tls, directory, replays)) {
    const int loops = relayLoopsFor(options.threads);
    shared_->options.threads = static_cast<std::uint32_t>(loops);
    if (loops > 1) {
        shared_->rooms = std::make_unique<LoopDirectory>(loops, directory);
    }
    for (int l = 0; l < loops; ++l) {
        shared_->contexts.push_back(std::make_unique<LoopContext>());
    }
    for (int l = 0; l < loops; ++l) {
        shared_->loops.push_back(
            std::make_unique<Loop>(*shared_, l, *shared_->contexts[static_cast<std::size_t>(l)]));
    }
    shared_->acceptor = std::make_unique<tcp::acceptor>(*shared_->contexts[0]);
    shared_->acceptPause = std::make_unique<asio::steady_timer>(*shared_->contexts[0]);
}

RelayServer::~RelayServer() = default;

void RelayServer::setRanked(store::RankedStore& store, const ReplayFolderLimits& folderLimits,
                            api::RankedApi& api, LiveMatches& live, BackgroundWorker& apiWorker) {
    shared_->rankedStore = &store;
    shared_->folderLimits = folderLimits;
    shared_->api = &api;
    shared_->live = &live;
    shared_->apiWorker = &apiWorker;
    for (auto& loop : shared_->loops) {
        loop->keepRecords(store, folderLimits);
    }
}

bool RelayServer::prepare(std::string& error) {
    const ServerOptions& options = shared_->options;
    if (!options.trustProxy.empty() && !shared_->proxies.parse(options.trustProxy, error)) {
        error = "--trust-proxy: " + error;
        return false;
    }
    if (!options.webDir.empty() && !shared_->web.open(options.webDir, error)) {
        error = "--web: " + error;
        return false;
    }
    return true;
}

bool RelayServer::listen(std::string& error) {
    const ServerOptions& options = shared_->options;
    tcp::acceptor& acceptor = *shared_->acceptor;
    beast::error_code ec;
    tcp::endpoint endpoint(asio::ip::make_address(options.host, ec), options.port);
    if (ec) {
        error = "bad address " + options.host;
        return false;
    }
    acceptor.open(endpoint.protocol(), ec);
    if (!ec) {
        acceptor.set_option(asio::socket_base::reuse_address(true), ec);
        acceptor.bind(endpoint, ec);
    }
    if (!ec) {
        acceptor.listen(asio::socket_base::max_listen_connections, ec);
    }
    if (ec) {
        error = ec.message();
        return false;
    }
    shared_->acceptNext();
    for (auto& loop : shared_->loops) {
        loop->start();
    }
    return true;
}

std::uint16_t RelayServer::port() const {
    return shared_->acceptor->local_endpoint().port();
}

int RelayServer::loops() const {
    return static_cast<int>(shared_->loops.size());
}

void RelayServer::run() {
    std::vector<std::thread> threads;
    for (std::size_t l = 1; l < shared_->contexts.size(); ++l) {
        LoopContext& context = *shared_->contexts[l];
        threads.emplace_back([&context] { context.run(); });
    }
    shared_->contexts[0]->run();
    stop();
    for (std::thread& thread : threads) {
        thread.join();
    }
}

void RelayServer::stop() {
    for (auto& context : shared_->contexts) {
        context->stop();
    }
}

asio::io_context& RelayServer::firstLoop() {
    return *shared_->contexts[0];
}

} // namespace kokurin
