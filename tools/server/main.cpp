// kokurin-server: the online game's relay. All of its Boost.Beast code is in this one file (it
// compiles slowly): one thread, one io_context, WebSocket connections handed to the Lobby, and
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

#include "lobby.h"
#include "net/protocol.h"
#include "server_options.h"

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

// One WebSocket connection: reads messages into the lobby, writes what the lobby queues, one
// write at a time as Beast requires.
class Connection : public std::enable_shared_from_this<Connection> {
  public:
    Connection(tcp::socket socket, Server& server, kokurin::ClientId id)
        : ws_(std::move(socket)), server_(server), id_(id) {}

    void accept(http::request<http::string_body> request);
    void send(std::shared_ptr<const std::vector<std::uint8_t>> bytes);
    void closeAfterWrites();
    kokurin::ClientId id() const { return id_; }

  private:
    void read();
    void write();
    void finish();

    websocket::stream<beast::tcp_stream> ws_;
    Server& server_;
    kokurin::ClientId id_;
    beast::flat_buffer buffer_;
    std::deque<std::shared_ptr<const std::vector<std::uint8_t>>> queue_;
    bool writing_ = false;
    bool closing_ = false;
    bool finished_ = false;
};

class Server : public kokurin::Outbox {
  public:
    Server(asio::io_context& io, const ServerOptions& options)
        : io_(io), acceptor_(io), timer_(io), options_(options),
          lobby_(*this, lobbyOptions(options),
                 std::random_device{}() ^ (std::uint64_t(std::random_device{}()) << 32)) {}

    static kokurin::LobbyOptions lobbyOptions(const ServerOptions& options) {
        kokurin::LobbyOptions lobby;
        lobby.stallMs = options.stallMs;
        lobby.replayDir = options.replayDir;
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
        std::printf("kokurin-server: listening on port %u\n",
                    static_cast<unsigned>(acceptor_.local_endpoint().port()));
        std::fflush(stdout);
        acceptNext();
        tick();
        return true;
    }

    void send(kokurin::ClientId client, const std::vector<std::uint8_t>& bytes) override {
        auto found = connections_.find(client);
        if (found != connections_.end() && !bytes.empty()) {
            found->second->send(std::make_shared<const std::vector<std::uint8_t>>(bytes));
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
                tick();
            }
        });
    }

    asio::io_context& io_;
    tcp::acceptor acceptor_;
    asio::steady_timer timer_;
    ServerOptions options_;
    kokurin::Lobby lobby_;
    std::map<kokurin::ClientId, std::shared_ptr<Connection>> connections_;
    kokurin::ClientId lastId_ = 0;
};

void Connection::accept(http::request<http::string_body> request) {
    ws_.binary(true);
    // A message larger than any of the game's is refused by Beast itself; the lobby then drops
    // the client.
    ws_.read_message_max(kokurin::net::maxMessageBytes);
    ws_.set_option(websocket::stream_base::timeout::suggested(beast::role_type::server));
    auto self = shared_from_this();
    ws_.async_accept(request, [self](beast::error_code ec) {
        if (ec) {
            return;
        }
        self->server_.opened(self);
        self->read();
    });
}

void Connection::read() {
    auto self = shared_from_this();
    ws_.async_read(buffer_, [self](beast::error_code ec, std::size_t) {
        if (ec) {
            self->finish();
            return;
        }
        if (!self->ws_.got_binary()) {
            // Text frames are not the game's: the same as a malformed message.
            const std::uint8_t nothing = 0;
            self->server_.received(self->id_, &nothing, 0);
        } else {
            const auto data = self->buffer_.data();
            self->server_.received(self->id_, static_cast<const std::uint8_t*>(data.data()),
                                   data.size());
        }
        self->buffer_.consume(self->buffer_.size());
        if (!self->finished_ && !self->closing_) {
            self->read();
        }
    });
}

void Connection::send(std::shared_ptr<const std::vector<std::uint8_t>> bytes) {
    if (closing_ || finished_) {
        return;
    }
    // A client that reads nothing while the server queues megabytes is dropped.
    if (queue_.size() > 4096) {
        finish();
        return;
    }
    queue_.push_back(std::move(bytes));
    if (!writing_) {
        write();
    }
}

void Connection::write() {
    if (queue_.empty()) {
        writing_ = false;
        if (closing_) {
            auto self = shared_from_this();
            ws_.async_close(websocket::close_code::policy_error,
                            [self](beast::error_code) { self->finish(); });
        }
        return;
    }
    writing_ = true;
    auto self = shared_from_this();
    auto bytes = queue_.front();
    ws_.async_write(asio::buffer(*bytes), [self, bytes](beast::error_code ec, std::size_t) {
        if (ec) {
            self->finish();
            return;
        }
        self->queue_.pop_front();
        self->write();
    });
}

void Connection::closeAfterWrites() {
    if (closing_ || finished_) {
        return;
    }
    closing_ = true;
    if (!writing_) {
        write();
    }
}

void Connection::finish() {
    if (finished_) {
        return;
    }
    finished_ = true;
    beast::error_code ignored;
    beast::get_lowest_layer(ws_).socket().close(ignored);
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
    Server server(io, options);
    if (!server.listen(error)) {
        std::fprintf(stderr, "kokurin-server: cannot listen on port %u: %s\n",
                     static_cast<unsigned>(options.port), error.c_str());
        return 1;
    }
    asio::signal_set stop(io, SIGINT, SIGTERM);
    stop.async_wait([&io](beast::error_code, int) { io.stop(); });
    io.run();
    return 0;
}
