// kokurin-server: the online game's relay. All of its Boost.Beast code is in this one file (it
// compiles slowly): one thread, one io_context, WebSocket connections handed to the ServerLobby, and
// the web build's files served over HTTP on the same port.
#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include <chrono>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <unordered_map>

#include "server_lobby.h"
#include "net/protocol.h"
#include "replay_folder.h"
#include "server_options.h"
#include "worker_referee.h"
#include "ws_frames.h"
#if defined(KOKURIN_SERVER_REDIS)
#include "redis_directory.h"
#endif

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;

namespace {

std::uint32_t nowMs() {
    using namespace std::chrono;
    static const steady_clock::time_point origin = steady_clock::now();
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now() - origin).count());
}

const char* contentType(const std::string& path) {
    static const std::pair<const char*, const char*> types[] = {
        {".html", "text/html; charset=utf-8"},
        {".js", "text/javascript"},
        {".wasm", "application/wasm"},
        {".css", "text/css"},
        {".json", "application/json"},
        {".png", "image/png"},
        {".webmanifest", "application/manifest+json"},
        {".woff2", "font/woff2"},
        {".ttf", "font/ttf"},
    };
    for (const auto& type : types) {
        const std::string ext = type.first;
        if (path.size() >= ext.size() &&
            path.compare(path.size() - ext.size(), ext.size(), ext) == 0) {
            return type.second;
        }
    }
    return "application/octet-stream";
}

// The address the page reaches this server at, from the Host header the browser sent: a host
// name or address and a port, nothing that could end the JSON string or the URL.
bool pageServerAddress(beast::string_view host, std::string& url) {
    if (host.empty() || host.size() > 255 || host.front() == ':') {
        return false;
    }
    for (const char c : host) {
        const bool plain =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!plain && c != '.' && c != '-' && c != ':' && c != '[' && c != ']') {
            return false;
        }
    }
    url = "ws://" + std::string(host) + "/";
    return true;
}

class Server;

// One WebSocket connection. Beast makes the handshake; after it the connection reads and writes
// the frames itself (ws_frames.h): one receive reads every message that arrived, and what the
// lobby sends is queued and written with one send once the handlers that are ready have run.
class Connection : public std::enable_shared_from_this<Connection> {
  public:
    Connection(tcp::socket socket, Server& server, kokurin::ClientId id)
        : ws_(std::move(socket)), server_(server), id_(id), frames_(kokurin::net::maxMessageBytes) {
    }

    void accept(http::request<http::string_body> request);
    void send(const std::vector<std::uint8_t>& bytes);
    void closeAfterWrites();
    // Writes what is queued (the server calls it for every connection that queued something).
    void flush();
    void finish();
    kokurin::ClientId id() const { return id_; }
    std::uint32_t lastHeard() const { return lastHeard_; }

  private:
    tcp::socket& socket() { return beast::get_lowest_layer(ws_).socket(); }
    void read();
    void queue(std::uint8_t opcode, const std::uint8_t* data, std::size_t size);

    websocket::stream<beast::tcp_stream> ws_;
    Server& server_;
    kokurin::ClientId id_;
    kokurin::ClientFrames frames_;
    std::uint8_t readBuffer_[16384];
    std::vector<std::uint8_t> pending_;
    std::vector<std::uint8_t> writing_;
    bool writeInFlight_ = false;
    bool flushQueued_ = false;
    bool closing_ = false;
    bool finished_ = false;
    std::uint32_t lastHeard_ = 0;
};

class Server : public kokurin::Outbox {
  public:
    Server(asio::io_context& io, const ServerOptions& options, kokurin::RoomDirectory* directory,
           kokurin::MatchReferee& referee, kokurin::ServerLog& log, kokurin::ReplayFolder* replays)
        : io_(io), acceptor_(io), timer_(io), options_(options),
          lobby_(*this, referee, log, lobbyOptions(options), replays, directory) {}

    static kokurin::ServerLobbyOptions lobbyOptions(const ServerOptions& options) {
        kokurin::ServerLobbyOptions lobby;
        lobby.stallMs = options.stallMs;
        lobby.maxSpectators = options.maxSpectators;
        lobby.maxMatchFrames = options.maxMatchMinutes * 60u * 60u;
        return lobby;
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

    void send(kokurin::ClientId client, const std::vector<std::uint8_t>& bytes) override {
        auto found = connections_.find(client);
        if (found != connections_.end() && !bytes.empty()) {
            found->second->send(bytes);
        }
    }
    // A connection that queued bytes is written once the handlers that are ready have run, so
    // that the messages a burst of input produces for it go out in one send.
    void wantsFlush(const std::shared_ptr<Connection>& connection) {
        toFlush_.push_back(connection);
        if (toFlush_.size() == 1) {
            asio::post(io_, [this] {
                std::vector<std::shared_ptr<Connection>> due;
                due.swap(toFlush_);
                for (const auto& c : due) {
                    c->flush();
                }
            });
        }
    }
    void close(kokurin::ClientId client) override {
        auto found = connections_.find(client);
        if (found != connections_.end()) {
            found->second->closeAfterWrites();
        }
    }

    void opened(const std::shared_ptr<Connection>& connection) {
        connections_[connection->id()] = connection;
        lobby_.connected(connection->id(), nowMs());
    }
    void received(kokurin::ClientId id, const std::uint8_t* bytes, std::size_t size) {
        lobby_.received(id, bytes, size, nowMs());
    }
    void closed(kokurin::ClientId id) {
        connections_.erase(id);
        lobby_.disconnected(id, nowMs());
    }
    const ServerOptions& options() const { return options_; }

  private:
    void acceptNext() {
        acceptor_.async_accept([this](beast::error_code ec, tcp::socket socket) {
            if (!ec) {
                readRequest(std::move(socket));
            }
            acceptNext();
        });
    }

    // The first request decides: a WebSocket upgrade joins the game, anything else is a file.
    void readRequest(tcp::socket socket) {
        struct Pending {
            explicit Pending(tcp::socket s) : stream(std::move(s)) {}
            beast::tcp_stream stream;
            beast::flat_buffer buffer;
            http::request<http::string_body> request;
        };
        auto pending = std::make_shared<Pending>(std::move(socket));
        pending->stream.expires_after(std::chrono::seconds(15));
        http::async_read(pending->stream, pending->buffer, pending->request,
                         [this, pending](beast::error_code ec, std::size_t) {
                             if (ec) {
                                 return;
                             }
                             if (websocket::is_upgrade(pending->request)) {
                                 pending->stream.expires_never();
                                 auto connection = std::make_shared<Connection>(
                                     pending->stream.release_socket(), *this, ++lastId_);
                                 connection->accept(std::move(pending->request));
                                 return;
                             }
                             serveFile(pending);
                         });
    }

    // The web build's files, and online.json: the address of this server as the page sees it,
    // so that a page it served offers online play (src/web/online_link.js asks).
    template <class Pending> void serveFile(std::shared_ptr<Pending> pending) {
        auto response = std::make_shared<http::response<http::string_body>>();
        const auto& request = pending->request;
        response->version(request.version());
        response->keep_alive(false);
        std::string target(request.target());
        target = target.substr(0, target.find('?'));
        const bool safe =
            target.find("..") == std::string::npos && !target.empty() && target[0] == '/';
        if (target == "/") {
            target = "/index.html";
        }
        const bool reading =
            request.method() == http::verb::get || request.method() == http::verb::head;
        http::status status = http::status::not_found;
        std::string type = "text/plain";
        std::string body = "not found\n";
        std::string address;
        if (reading && target == "/online.json") {
            if (pageServerAddress(request[http::field::host], address)) {
                status = http::status::ok;
                type = "application/json";
                body = "{\"server\":\"" + address + "\"}\n";
                response->set(http::field::cache_control, "no-store");
            } else {
                status = http::status::bad_request;
                body = "no usable Host header\n";
            }
        } else if (safe && reading && !options_.webDir.empty()) {
            const std::string path = options_.webDir + target;
            std::error_code ec;
            // A folder opens as a file too, and reads as nothing.
            std::ifstream file;
            if (std::filesystem::is_regular_file(path, ec)) {
                file.open(path, std::ios::binary);
            }
            if (file.is_open()) {
                std::ostringstream text;
                text << file.rdbuf();
                body = text.str();
                status = http::status::ok;
                type = contentType(target);
            }
        }
        response->result(status);
        response->set(http::field::content_type, type);
        response->body() = body;
        response->prepare_payload();
        // HEAD: the length of what GET would send, and no body.
        if (request.method() == http::verb::head) {
            response->body().clear();
        }
        http::async_write(
            pending->stream, *response, [pending, response](beast::error_code, std::size_t) {
                beast::error_code ignored;
                pending->stream.socket().shutdown(tcp::socket::shutdown_send, ignored);
            });
    }

    void tick() {
        timer_.expires_after(std::chrono::milliseconds(100));
        timer_.async_wait([this](beast::error_code ec) {
            if (!ec) {
                lobby_.tick(nowMs());
                dropSilent();
                tick();
            }
        });
    }

    // A connection silent for five minutes is gone (every client pings once a second).
    void dropSilent() {
        const std::uint32_t now = nowMs();
        if (now - lastSilenceCheck_ < 5000) {
            return;
        }
        lastSilenceCheck_ = now;
        std::vector<std::shared_ptr<Connection>> silent;
        for (const auto& entry : connections_) {
            if (now - entry.second->lastHeard() > 300000) {
                silent.push_back(entry.second);
            }
        }
        for (const auto& connection : silent) {
            connection->finish();
        }
    }

    asio::io_context& io_;
    tcp::acceptor acceptor_;
    asio::steady_timer timer_;
    ServerOptions options_;
    kokurin::ServerLobby lobby_;
    std::unordered_map<kokurin::ClientId, std::shared_ptr<Connection>> connections_;
    std::vector<std::shared_ptr<Connection>> toFlush_;
    std::uint32_t lastSilenceCheck_ = 0;
    kokurin::ClientId lastId_ = 0;
};

void Connection::accept(http::request<http::string_body> request) {
    // Small messages, each wanted at once: without this a relayed frame can wait for the
    // acknowledgement of the one before (Nagle's algorithm).
    beast::error_code ignored;
    socket().set_option(tcp::no_delay(true), ignored);
    ws_.set_option(websocket::stream_base::timeout::suggested(beast::role_type::server));
    auto self = shared_from_this();
    ws_.async_accept(request, [self](beast::error_code ec) {
        if (ec) {
            return;
        }
        // From here on the frames are this class's: Beast's timers must not touch the socket.
        beast::get_lowest_layer(self->ws_).expires_never();
        self->lastHeard_ = nowMs();
        self->server_.opened(self);
        self->read();
    });
}

void Connection::read() {
    auto self = shared_from_this();
    socket().async_read_some(
        asio::buffer(readBuffer_), [self](beast::error_code ec, std::size_t size) {
            if (ec) {
                self->finish();
                return;
            }
            self->lastHeard_ = nowMs();
            self->frames_.feed(self->readBuffer_, size);
            kokurin::ClientFrames::Item item;
            while (!self->finished_ && !self->closing_ && self->frames_.next(item)) {
                using Kind = kokurin::ClientFrames::Kind;
                if (item.kind == Kind::Binary) {
                    self->server_.received(self->id_, item.data, item.size);
                } else if (item.kind == Kind::Text) {
                    // Text frames are not the game's: the same as a malformed message.
                    const std::uint8_t nothing = 0;
                    self->server_.received(self->id_, &nothing, 0);
                } else if (item.kind == Kind::Ping) {
                    self->queue(10, item.data, item.size);
                } else if (item.kind == Kind::Close) {
                    // The client's close is answered with the same code, then the end.
                    self->queue(8, item.data, item.size < 2 ? 0 : 2);
                    self->closing_ = true;
                } else {
                    // A frame no client may send, or a message larger than any of the game's:
                    // dropped as Beast dropped them, and the lobby hears the connection went.
                    self->finish();
                    return;
                }
            }
            if (!self->finished_ && !self->closing_) {
                self->read();
            }
        });
}

void Connection::queue(std::uint8_t opcode, const std::uint8_t* data, std::size_t size) {
    if (pending_.empty() && !flushQueued_) {
        flushQueued_ = true;
        server_.wantsFlush(shared_from_this());
    }
    kokurin::appendServerFrame(pending_, opcode, data, size);
}

void Connection::send(const std::vector<std::uint8_t>& bytes) {
    if (closing_ || finished_) {
        return;
    }
    // A client that reads nothing while the server queues megabytes is dropped.
    if (pending_.size() > (std::size_t(4) << 20)) {
        finish();
        return;
    }
    queue(2, bytes.data(), bytes.size());
}

void Connection::flush() {
    flushQueued_ = false;
    if (finished_ || writeInFlight_) {
        return;
    }
    if (pending_.empty()) {
        if (closing_) {
            // Everything written, the close frame last: the end.
            beast::error_code ignored;
            socket().shutdown(tcp::socket::shutdown_send, ignored);
            finish();
        }
        return;
    }
    writing_.swap(pending_);
    pending_.clear();
    writeInFlight_ = true;
    auto self = shared_from_this();
    asio::async_write(socket(), asio::buffer(writing_), [self](beast::error_code ec, std::size_t) {
        self->writeInFlight_ = false;
        self->writing_.clear();
        if (ec) {
            self->finish();
            return;
        }
        self->flush();
    });
}

void Connection::closeAfterWrites() {
    if (closing_ || finished_) {
        return;
    }
    // Policy violation (1008): the lobby refused what the client sent.
    const std::uint8_t code[2] = {0x03, 0xf0};
    queue(8, code, 2);
    closing_ = true;
}

void Connection::finish() {
    if (finished_) {
        return;
    }
    finished_ = true;
    beast::error_code ignored;
    socket().close(ignored);
    server_.closed(id_);
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
    asio::io_context io;
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
    kokurin::ServerLog log;
    kokurin::WorkerReferee referee(
        2, [&io](std::function<void()> done) { asio::post(io, std::move(done)); });
    std::unique_ptr<kokurin::ReplayFolder> replays;
    if (!options.replayDir.empty()) {
        replays = std::make_unique<kokurin::ReplayFolder>(
            options.replayDir, kokurin::ReplayFolderLimits{options.replayFiles,
                                                           std::uint64_t(options.replayMegabytes) << 20});
    }
    Server server(io, options, directory.get(), referee, log, replays.get());
    if (!server.listen(error)) {
        std::fprintf(stderr, "kokurin-server: cannot listen on port %u: %s\n",
                     static_cast<unsigned>(options.port), error.c_str());
        return 1;
    }
#if defined(KOKURIN_SERVER_REDIS)
    if (redis != nullptr) {
        redis->setAddress(!options.publicUrl.empty()
                              ? options.publicUrl
                              : "ws://127.0.0.1:" + std::to_string(server.port()) + "/");
        if (!redis->connect(error)) {
            std::fprintf(stderr, "kokurin-server: cannot reach Redis at %s: %s\n",
                         options.redisUrl.c_str(), error.c_str());
            return 3;
        }
    }
#endif
    // Said once everything is ready: the tests wait for this line.
    std::printf("kokurin-server: listening on port %u\n", static_cast<unsigned>(server.port()));
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
