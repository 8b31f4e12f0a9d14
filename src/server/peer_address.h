// Who a connection is, for the per-address limits and the log: the TCP peer, or, when the peer
// is a proxy the operator trusts (--trust-proxy), the address that proxy says it serves. Only
// X-Forwarded-For is read, and only its right-most entries: each proxy appends the address it
// was reached from, so every entry left of the trusted proxies' own is the client's to write.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace kokurin {

// One address in canonical text ("192.0.2.1", "2001:db8::1"; an IPv4 address mapped into IPv6
// is the IPv4 one), or false for anything that is not an address.
bool canonicalAddress(const std::string& text, std::string& address);

// Addresses and networks ("127.0.0.1", "10.0.0.0/8", "::1", "fd00::/8").
class TrustedProxies {
  public:
    // A comma-separated list; false with the reason for anything unreadable.
    bool parse(const std::string& list, std::string& error);
    bool empty() const { return nets_.empty(); }
    // address: canonical text.
    bool trusts(const std::string& address) const;

  private:
    struct Net {
        std::uint8_t bytes[16] = {};
        bool v6 = false;
        int bits = 0;
    };
    std::vector<Net> nets_;
};

// The client behind a trusted proxy: X-Forwarded-For read from the right, past every trusted
// proxy; the peer itself when the header is missing or unreadable.
std::string forwardedClient(const std::string& peer, const std::string& forwardedFor,
                            const TrustedProxies& trusted);

// Open connections per address, capped.
class PeerCounts {
  public:
    explicit PeerCounts(std::size_t most) : most_(most) {}
    // Counts one more connection of the address; false (nothing counted) past the cap.
    bool admit(const std::string& address);
    void release(const std::string& address);
    std::size_t of(const std::string& address) const;

  private:
    std::size_t most_;
    std::map<std::string, std::size_t> open_;
};

} // namespace kokurin
