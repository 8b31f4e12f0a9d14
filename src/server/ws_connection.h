// One WebSocket connection after its handshake. The frames are the server's own (ws_frames.h):
// one receive reads every message that arrived, and what the lobby sends is queued and written
// with one send once the handlers that are ready have run. A connection that must go while the
// lobby is using it (its queue past the cap, a flood) is only marked: it closes on the next turn
// of the event loop, and the lobby hears of it then, never inside its own call.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "client_stream.h"
#include "server_log.h"
#include "ws_frames.h"

namespace kokurin {

class WsConnection;

// What a connection tells the server.
class ConnectionHost {
  public:
    virtual ~ConnectionHost() = default;
    virtual void received(std::uint64_t id, const std::uint8_t* bytes, std::size_t size) = 0;
    // The connection queued bytes: flush() it once the ready handlers have run.
    virtual void wantsFlush(const std::shared_ptr<WsConnection>& connection) = 0;
    // The connection is closed (never called from inside send() or closeAfterWrites()).
    virtual void ended(std::uint64_t id, const char* why) = 0;
};

struct ConnectionLimits {
    std::size_t sendQueueBytes = 4u << 20;
    // Frames a second, control frames included.
    int framesPerSecond = 400;
};

class WsConnection : public std::enable_shared_from_this<WsConnection> {
  public:
    // leftover: bytes read past the HTTP request (frames the client sent at once).
    WsConnection(std::unique_ptr<ClientStream> stream, ConnectionHost& host, ServerLog& log,
                 std::uint64_t id, std::string peer, ConnectionLimits limits);
    ~WsConnection();

    void start(const std::uint8_t* leftover, std::size_t size);
    void send(const std::vector<std::uint8_t>& bytes);
    // Writes what is queued and a close frame (policy violation), then ends.
    void closeAfterWrites();
    void flush();
    // Ends the connection now (from a handler of its own, never inside the lobby's call).
    void finish(const char* why);
    // Ends it on the next turn of the event loop.
    void drop(const char* why);

    // Moves the connection to another event loop (--threads): it reads nothing more here,
    // writes what it had queued, then its socket is the target loop's and `arrived` runs there
    // (with the connection), where `host` is its host from then on. A connection that ends
    // before it moves never arrives.
    using Arrived = std::function<void(const std::shared_ptr<WsConnection>&)>;
    void moveTo(boost::asio::io_context& target, ConnectionHost& host, Arrived arrived);
    // On the new loop, once its host holds it: the frames read with the last ones, then reads.
    void resume();

    std::uint64_t id() const { return id_; }
    const std::string& peer() const { return peer_; }
    std::uint32_t lastHeard() const { return lastHeard_; }

  private:
    void read();
    void consume(std::size_t size);
    void handleFrames();
    void tryMove();
    void afterFrames();
    bool reading() const { return !finished_ && !closing_ && !dropping_ && !moving_; }
    // Completions on the connection's own loop, whichever loop made the objects under it.
    template <class Handler> auto onLoop(Handler&& handler) {
        return boost::asio::bind_executor(stream_->socket().get_executor(),
                                          std::forward<Handler>(handler));
    }
    bool countFrames(std::uint32_t now);
    void queue(std::uint8_t opcode, const std::uint8_t* data, std::size_t size);

    std::unique_ptr<ClientStream> stream_;
    ConnectionHost* host_;
    ServerLog& log_;
    std::uint64_t id_;
    std::string peer_;
    ConnectionLimits limits_;
    ClientFrames frames_;
    std::uint8_t readBuffer_[16384];
    std::vector<std::uint8_t> pending_;
    std::vector<std::uint8_t> writing_;
    bool writeInFlight_ = false;
    bool readInFlight_ = false;
    bool flushQueued_ = false;
    bool closing_ = false;
    bool dropping_ = false;
    bool finished_ = false;
    bool moving_ = false;
    boost::asio::io_context* moveTarget_ = nullptr;
    ConnectionHost* moveHost_ = nullptr;
    Arrived arrived_;
    std::uint32_t lastHeard_ = 0;
    std::uint32_t windowStart_ = 0;
    std::uint64_t framesAtWindow_ = 0;
};

// Milliseconds since the server started.
std::uint32_t serverClockMs();

} // namespace kokurin
