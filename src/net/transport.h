// The connection an online client talks through: WebSocket binary messages, one call a frame.
// Each front end brings its own (a Beast client natively, the browser's WebSocket on the page);
// the core only sees this.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kokurin::net {

class Transport {
  public:
    enum class Status {
        Connecting,
        Open,
        // Closed by either end or never opened; closeReason() says why.
        Closed,
    };

    virtual ~Transport() = default;
    // Starts connecting to ws://host:port/path; false (and Closed) for an address it cannot use.
    virtual bool connect(const std::string& url) = 0;
    // Queues one message; dropped when the connection is not open.
    virtual void send(const std::vector<std::uint8_t>& bytes) = 0;
    // Moves the messages received since the last call into received and says where the
    // connection stands. Never blocks.
    virtual Status poll(std::vector<std::vector<std::uint8_t>>& received) = 0;
    virtual void close() = 0;
    // Why the connection closed, in words a player can read.
    virtual std::string closeReason() const = 0;
    // Whether the connection was refused because the server's certificate does not verify.
    virtual bool certificateRefused() const { return false; }
    // Lets a front end that never sleeps between frames (the headless one) wait up to this long
    // for traffic instead of spinning; others return at once.
    virtual void waitForTraffic(int milliseconds) {}
};

} // namespace kokurin::net
