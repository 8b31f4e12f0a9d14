// The desktop WebSocket client against a small Beast server in a thread of the test: what the
// game sends before the connection is open never reaches the server (the server must hear the
// Hello first); and wss:// refuses a certificate it cannot verify, in words, as a refusal.
#include <gtest/gtest.h>

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>

#include <chrono>
#include <thread>

#include "desktop_online/websocket_transport.h"

namespace kokurin {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
using tcp = asio::ip::tcp;
using Bytes = std::vector<std::uint8_t>;

// Accepts one WebSocket connection and keeps the first message it reads.
class OneMessageServer {
  public:
    OneMessageServer() : acceptor_(io_, tcp::endpoint(asio::ip::make_address("127.0.0.1"), 0)) {
        thread_ = std::thread([this] {
            beast::error_code ec;
            tcp::socket socket(io_);
            acceptor_.accept(socket, ec);
            beast::websocket::stream<tcp::socket> ws(std::move(socket));
            ws.accept(ec);
            beast::flat_buffer buffer;
            ws.read(buffer, ec);
            if (!ec) {
                const auto* data = static_cast<const std::uint8_t*>(buffer.data().data());
                first_.assign(data, data + buffer.size());
            }
        });
    }
    ~OneMessageServer() {
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    std::string url() const {
        return "ws://127.0.0.1:" + std::to_string(acceptor_.local_endpoint().port()) + "/";
    }
    Bytes first() {
        thread_.join();
        return first_;
    }

  private:
    asio::io_context io_;
    tcp::acceptor acceptor_;
    std::thread thread_;
    Bytes first_;
};

// Polls until the transport leaves Connecting (bounded).
net::Transport::Status settle(DesktopWebSocket& transport) {
    std::vector<Bytes> received;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    net::Transport::Status status = transport.poll(received);
    while (status == net::Transport::Status::Connecting &&
           std::chrono::steady_clock::now() < deadline) {
        transport.waitForTraffic(10);
        status = transport.poll(received);
    }
    return status;
}

TEST(DesktopWebSocket, NothingSentWhileConnectingReachesTheServer) {
    OneMessageServer server;
    DesktopWebSocket transport;
    ASSERT_TRUE(transport.connect(server.url()));
    transport.send(Bytes{11, 0, 0}); // a batch of inputs left from a dropped connection
    ASSERT_EQ(settle(transport), net::Transport::Status::Open) << transport.closeReason();
    transport.send(Bytes{1, 1, 0}); // the Hello
    for (int i = 0; i < 50; ++i) {
        transport.waitForTraffic(2);
    }
    EXPECT_EQ(server.first(), (Bytes{1, 1, 0}));
}

TEST(DesktopWebSocket, AddressesOfBothSchemes) {
    bool secure = false;
    std::string host, port, path;
    ASSERT_TRUE(splitWebSocketUrl("wss://play.example/game", secure, host, port, path));
    EXPECT_TRUE(secure);
    EXPECT_EQ(host + " " + port + " " + path, "play.example 443 /game");
    ASSERT_TRUE(splitWebSocketUrl("ws://[::1]:8620", secure, host, port, path));
    EXPECT_FALSE(secure);
    EXPECT_EQ(host + " " + port + " " + path, "::1 8620 /");
    EXPECT_FALSE(splitWebSocketUrl("http://x/", secure, host, port, path));
    EXPECT_FALSE(splitWebSocketUrl("wss://x:44a/", secure, host, port, path));
}

} // namespace
} // namespace kokurin
