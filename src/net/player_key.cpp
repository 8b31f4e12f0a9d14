// The code's check is the key as a 256-bit number modulo 1021, a prime just under the two check
// characters' 1024: a change of one character changes the number by d * 2^e with |d| < 32, and
// two neighbours swapped by (a - b) * 31 * 2^e, neither ever a multiple of 1021.
#include "net/player_key.h"

#include "platform/platform.h"

namespace kokurin::net {

namespace {

const char base32[] = "0123456789ABCDEFGHJKMNPQRSTVWXYZ";
constexpr int dataSymbols = 52;
constexpr int checkSymbols = 2;
constexpr int groupSize = 6;
constexpr unsigned checkModulus = 1021;

int symbolValue(char c) {
    if (c >= 'a' && c <= 'z') {
        c = static_cast<char>(c - 'a' + 'A');
    }
    if (c == 'I' || c == 'L') {
        return 1;
    }
    if (c == 'O') {
        return 0;
    }
    for (int v = 0; v < 32; ++v) {
        if (base32[v] == c) {
            return v;
        }
    }
    return -1;
}

unsigned checkOf(const PlayerKey& key) {
    unsigned rest = 0;
    for (std::uint8_t b : key.bytes) {
        rest = (rest * 256 + b) % checkModulus;
    }
    return rest;
}

// Bit i of the key, most significant first; bits past the key's are zero.
int bitAt(const PlayerKey& key, int i) {
    if (i >= static_cast<int>(playerKeyBytes) * 8) {
        return 0;
    }
    return (key.bytes[static_cast<std::size_t>(i / 8)] >> (7 - i % 8)) & 1;
}

} // namespace

bool PlayerKey::empty() const {
    for (std::uint8_t b : bytes) {
        if (b != 0) {
            return false;
        }
    }
    return true;
}

std::string playerKeyHex(const PlayerKey& key) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (std::uint8_t b : key.bytes) {
        hex.push_back(digits[b >> 4]);
        hex.push_back(digits[b & 15]);
    }
    return hex;
}

bool readPlayerKeyHex(const std::string& hex, PlayerKey& key) {
    if (hex.size() != 2 * playerKeyBytes) {
        return false;
    }
    PlayerKey read;
    for (std::size_t i = 0; i < hex.size(); ++i) {
        const char c = hex[i];
        const int v = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (v < 0) {
            return false;
        }
        read.bytes[i / 2] = static_cast<std::uint8_t>(read.bytes[i / 2] | (v << (i % 2 ? 0 : 4)));
    }
    key = read;
    return true;
}

std::string playerKeyCode(const PlayerKey& key) {
    std::string symbols;
    for (int s = 0; s < dataSymbols; ++s) {
        int v = 0;
        for (int b = 0; b < 5; ++b) {
            v = v * 2 + bitAt(key, s * 5 + b);
        }
        symbols.push_back(base32[v]);
    }
    const unsigned check = checkOf(key);
    symbols.push_back(base32[check >> 5]);
    symbols.push_back(base32[check & 31]);
    std::string code;
    for (std::size_t i = 0; i < symbols.size(); ++i) {
        if (i > 0 && i % groupSize == 0) {
            code.push_back('-');
        }
        code.push_back(symbols[i]);
    }
    return code;
}

bool readPlayerKeyCode(const std::string& typed, PlayerKey& key) {
    std::string values;
    for (char c : typed) {
        if (c == '-' || c == ' ') {
            continue;
        }
        const int v = symbolValue(c);
        if (v < 0 || values.size() >= dataSymbols + checkSymbols) {
            return false;
        }
        values.push_back(static_cast<char>(v));
    }
    if (values.size() != dataSymbols + checkSymbols) {
        return false;
    }
    PlayerKey read;
    for (int i = 0; i < dataSymbols * 5; ++i) {
        const int bit = (values[static_cast<std::size_t>(i / 5)] >> (4 - i % 5)) & 1;
        if (i >= static_cast<int>(playerKeyBytes) * 8) {
            // The last character's spare bits are zero in every code this game writes.
            if (bit != 0) {
                return false;
            }
            continue;
        }
        read.bytes[static_cast<std::size_t>(i / 8)] |= static_cast<std::uint8_t>(bit << (7 - i % 8));
    }
    const unsigned check = static_cast<unsigned>(values[dataSymbols]) * 32 +
                           static_cast<unsigned>(values[dataSymbols + 1]);
    if (check != checkOf(read) || read.empty()) {
        return false;
    }
    key = read;
    return true;
}

bool makePlayerKey(PlayerKey& key) {
    PlayerKey made;
    if (!fillSystemRandom(made.bytes.data(), made.bytes.size()) || made.empty()) {
        return false;
    }
    key = made;
    return true;
}

} // namespace kokurin::net
