// The native WebSocket client (Boost.Beast) behind the core's Transport: one thread, driven by
// poll() once a frame. Beast is only included by its .cpp.
#pragma once

#include <memory>

#include "net/transport.h"

namespace kokurin {

class DesktopWebSocket : public net::Transport {
  public:
    DesktopWebSocket();
    ~DesktopWebSocket() override;

    bool connect(const std::string& url) override;
    void send(const std::vector<std::uint8_t>& bytes) override;
    Status poll(std::vector<std::vector<std::uint8_t>>& received) override;
    void close() override;
    std::string closeReason() const override;
    void waitForTraffic(int milliseconds) override;

    struct State;

  private:
    std::unique_ptr<State> state_;
};

// Splits ws://host[:port][/path]; false for anything else.
bool splitWebSocketUrl(const std::string& url, std::string& host, std::string& port,
                       std::string& path);

} // namespace kokurin
