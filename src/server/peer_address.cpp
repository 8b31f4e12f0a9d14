// Addresses parsed with inet_pton (POSIX; kokurin-server runs on Linux only), so that every
// spelling of one address counts as one.
#include "peer_address.h"

#include <arpa/inet.h>

#include <cstring>

namespace kokurin {

namespace {

// 16 bytes; an IPv4 address as ::ffff:a.b.c.d.
bool addressBytes(const std::string& text, std::uint8_t bytes[16], bool& v6) {
    in_addr four;
    in6_addr six;
    if (text.size() < 64 && inet_pton(AF_INET, text.c_str(), &four) == 1) {
        std::memset(bytes, 0, 16);
        bytes[10] = bytes[11] = 0xff;
        std::memcpy(bytes + 12, &four, 4);
        v6 = false;
        return true;
    }
    if (text.size() < 64 && inet_pton(AF_INET6, text.c_str(), &six) == 1) {
        std::memcpy(bytes, &six, 16);
        static const std::uint8_t mapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
        v6 = std::memcmp(bytes, mapped, 12) != 0;
        return true;
    }
    return false;
}

std::string trim(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return "";
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

bool canonicalAddress(const std::string& text, std::string& address) {
    std::uint8_t bytes[16];
    bool v6 = false;
    std::string plain = text;
    // "[2001:db8::1]" as a URL writes it.
    if (plain.size() > 2 && plain.front() == '[' && plain.back() == ']') {
        plain = plain.substr(1, plain.size() - 2);
    }
    if (!addressBytes(plain, bytes, v6)) {
        return false;
    }
    char out[INET6_ADDRSTRLEN] = {};
    if (v6) {
        inet_ntop(AF_INET6, bytes, out, sizeof out);
    } else {
        inet_ntop(AF_INET, bytes + 12, out, sizeof out);
    }
    address = out;
    return true;
}

bool TrustedProxies::parse(const std::string& list, std::string& error) {
    nets_.clear();
    std::size_t at = 0;
    while (at <= list.size()) {
        const std::size_t comma = std::min(list.find(',', at), list.size());
        const std::string item = trim(list.substr(at, comma - at));
        at = comma + 1;
        const std::size_t slash = item.find('/');
        Net net;
        if (!addressBytes(item.substr(0, slash), net.bytes, net.v6)) {
            error = "'" + item + "' is not an address or network";
            return false;
        }
        const int full = net.v6 ? 128 : 32;
        net.bits = full;
        if (slash != std::string::npos) {
            const std::string bits = item.substr(slash + 1);
            if (bits.empty() || bits.size() > 3 ||
                bits.find_first_not_of("0123456789") != std::string::npos ||
                std::stoi(bits) > full) {
                error = "'" + item + "' has no usable prefix length";
                return false;
            }
            net.bits = std::stoi(bits);
        }
        // Compared on the 16-byte form: an IPv4 prefix covers the mapped bytes too.
        if (!net.v6) {
            net.bits += 96;
        }
        nets_.push_back(net);
    }
    return true;
}

bool TrustedProxies::trusts(const std::string& address) const {
    std::uint8_t bytes[16];
    bool v6 = false;
    if (!addressBytes(address, bytes, v6)) {
        return false;
    }
    for (const Net& net : nets_) {
        int bits = net.bits;
        bool same = true;
        for (int i = 0; i < 16 && bits > 0 && same; ++i, bits -= 8) {
            const std::uint8_t mask =
                bits >= 8 ? 0xff : static_cast<std::uint8_t>(0xff << (8 - bits));
            same = (bytes[i] & mask) == (net.bytes[i] & mask);
        }
        if (same) {
            return true;
        }
    }
    return false;
}

std::string forwardedClient(const std::string& peer, const std::string& forwardedFor,
                            const TrustedProxies& trusted) {
    if (!trusted.trusts(peer)) {
        return peer;
    }
    std::string client = peer;
    std::size_t end = forwardedFor.size();
    while (end > 0) {
        const std::size_t comma = forwardedFor.rfind(',', end - 1);
        const std::size_t start = comma == std::string::npos ? 0 : comma + 1;
        std::string entry = trim(forwardedFor.substr(start, end - start));
        // "192.0.2.1:5000" as some proxies write it.
        const std::size_t colon = entry.find(':');
        if (colon != std::string::npos && entry.find(':', colon + 1) == std::string::npos) {
            entry = entry.substr(0, colon);
        }
        std::string address;
        if (!canonicalAddress(entry, address)) {
            // Unreadable: the last address known good stands.
            return client;
        }
        client = address;
        if (!trusted.trusts(address)) {
            return client;
        }
        if (comma == std::string::npos) {
            break;
        }
        end = comma;
    }
    return client;
}

bool PeerCounts::admit(const std::string& address) {
    std::size_t& open = open_[address];
    if (open >= most_) {
        if (open == 0) {
            open_.erase(address);
        }
        return false;
    }
    ++open;
    return true;
}

void PeerCounts::release(const std::string& address) {
    auto found = open_.find(address);
    if (found != open_.end() && --found->second == 0) {
        open_.erase(found);
    }
}

std::size_t PeerCounts::of(const std::string& address) const {
    auto found = open_.find(address);
    return found == open_.end() ? 0 : found->second;
}

} // namespace kokurin
