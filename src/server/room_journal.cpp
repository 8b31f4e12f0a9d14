// The journal's bytes: a start, frames and the hash of a seat's token.
#include "room_journal.h"

#include <openssl/sha.h>

#include "rng/sfmt19937.h"

namespace kokurin {

namespace {

constexpr std::size_t startBytes = 4 * (5 + Sfmt19937::wordCount);
constexpr std::uint16_t keyMask = (1u << matchKeyCount) - 1u;

void putU32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out += static_cast<char>((v >> (8 * i)) & 0xffu);
    }
}

std::uint32_t getU32(const std::string& in, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
        v |= static_cast<std::uint32_t>(static_cast<unsigned char>(in[at + i])) << (8 * i);
    }
    return v;
}

} // namespace

std::string seatTokenHash(const std::string& code, int seat, std::uint64_t token) {
    // The room and seat come first, each ended, so no two (code, seat, token) share a text.
    std::string text = "kokurin seat\n" + code + "\n" + static_cast<char>('0' + seat) + "\n";
    for (int i = 0; i < 8; ++i) {
        text += static_cast<char>((token >> (8 * i)) & 0xffu);
    }
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char*>(text.data()), text.size(), digest);
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (unsigned char byte : digest) {
        out += hex[byte >> 4];
        out += hex[byte & 15];
    }
    return out;
}

bool sameTokenHash(const std::string& a, const std::string& b) {
    if (a.size() != b.size() || a.empty()) {
        return false;
    }
    unsigned difference = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        difference |= static_cast<unsigned char>(a[i]) ^ static_cast<unsigned char>(b[i]);
    }
    return difference == 0;
}

std::string encodeJournalStart(const MatchStart& start) {
    std::string out;
    out.reserve(startBytes);
    putU32(out, static_cast<std::uint32_t>(start.opponent));
    putU32(out, start.seed);
    putU32(out, static_cast<std::uint32_t>(start.rotation));
    putU32(out, static_cast<std::uint32_t>(start.randomIndex));
    for (std::uint32_t word : start.randomWords) {
        putU32(out, word);
    }
    putU32(out, start.keyHolds);
    return out;
}

bool decodeJournalStart(const std::string& bytes, MatchStart& start) {
    if (bytes.size() != startBytes) {
        return false;
    }
    MatchStart read;
    read.opponent = static_cast<std::int32_t>(getU32(bytes, 0));
    read.seed = getU32(bytes, 4);
    read.rotation = static_cast<std::int32_t>(getU32(bytes, 8));
    read.randomIndex = static_cast<std::int32_t>(getU32(bytes, 12));
    for (int i = 0; i < Sfmt19937::wordCount; ++i) {
        read.randomWords[i] = getU32(bytes, 16 + 4 * static_cast<std::size_t>(i));
    }
    read.keyHolds = getU32(bytes, startBytes - 4);
    // As an online Start is checked: two humans, an index in range, no hold of 3.
    if (read.opponent != 0 || read.rotation < 0 || read.randomIndex < 0 ||
        read.randomIndex > Sfmt19937::wordCount || (read.keyHolds >> (2 * matchKeyCount)) != 0) {
        return false;
    }
    for (int bit = 0; bit < matchKeyCount; ++bit) {
        if (((read.keyHolds >> (2 * bit)) & 3u) == 3u) {
            return false;
        }
    }
    start = read;
    return true;
}

std::string encodeJournalFrames(const FrameInput* frames, std::size_t count) {
    std::string out;
    out.reserve(3 * count);
    for (std::size_t i = 0; i < count; ++i) {
        out += static_cast<char>(frames[i].keys & 0xffu);
        out += static_cast<char>(frames[i].keys >> 8);
        out += static_cast<char>(frames[i].pointer);
    }
    return out;
}

bool decodeJournalFrames(const std::string& bytes, std::vector<FrameInput>& frames) {
    if (bytes.size() % 3 != 0) {
        return false;
    }
    std::vector<FrameInput> read;
    read.reserve(bytes.size() / 3);
    for (std::size_t at = 0; at < bytes.size(); at += 3) {
        FrameInput input;
        input.keys = static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                                (static_cast<unsigned char>(bytes[at + 1]) << 8));
        input.pointer = static_cast<std::uint8_t>(bytes[at + 2]);
        if ((input.keys & ~keyMask) != 0) {
            return false;
        }
        read.push_back(input);
    }
    frames.insert(frames.end(), read.begin(), read.end());
    return true;
}

} // namespace kokurin
