// The native WebSocket client (Boost.Beast) behind the core's Transport: one thread, driven by
// poll() once a frame. ws:// and, where OpenSSL is built in (not the MinGW build, whose wss://
// goes through WinHTTP), wss:// with the server's certificate verified against the system's
// store and the host name. Beast is only included by its .cpp.
#pragma once

#include <memory>
#include <string>

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
    bool certificateRefused() const override;
    void waitForTraffic(int milliseconds) override;

    struct State;

  private:
    std::unique_ptr<State> state_;
};

// Splits ws://host[:port][/path] and wss://...; false for anything else.
bool splitWebSocketUrl(const std::string& url, bool& secure, std::string& host, std::string& port,
                       std::string& path);

// A PEM file of certificate authorities trusted besides the system's (--ca-file; empty: none).
void setTrustedCaFile(const std::string& path);
const std::string& trustedCaFile();

// The player's words for a certificate that does not verify.
std::string untrustedCertificateReason(const std::string& why);

// wss:// through the system's own TLS where OpenSSL is not built in (the Windows builds:
// WinHTTP, src/win32/winhttp_websocket.cpp).
std::unique_ptr<net::Transport> openSystemTlsWebSocket();

} // namespace kokurin
