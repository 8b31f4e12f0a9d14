// The replay reader against damaged copies of a real replay, built with the sanitizers: every
// truncation, single-bit flips all through the file, and random bytes written over fields with
// the checksum made good again (so that the checks behind it are reached). Nothing may crash or
// read out of bounds, every refusal carries a message, and the intact file still reads.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "replay/replay_file.h"

using namespace kokurin;

namespace {

void resign(std::vector<std::uint8_t>& bytes) {
    if (bytes.size() < 4) {
        return;
    }
    const std::uint32_t crc = replayChecksum(bytes.data(), bytes.size() - 4);
    for (int i = 0; i < 4; ++i) {
        bytes[bytes.size() - 4 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(crc >> (8 * i));
    }
}

int failures = 0;
long accepted = 0;
long refused = 0;

void check(const std::vector<std::uint8_t>& bytes, const char* what, std::size_t at) {
    Replay replay;
    std::string error;
    const bool ok = decodeReplay(bytes.data(), bytes.size(), replay, error);
    if (ok) {
        ++accepted;
        if (replay.hashes.size() != replay.inputs.size() / replayHashInterval + 1) {
            std::printf("FAIL %s at %zu: accepted with %zu hashes for %zu frames\n", what, at,
                        replay.hashes.size(), replay.inputs.size());
            ++failures;
        }
    } else {
        ++refused;
        if (error.empty()) {
            std::printf("FAIL %s at %zu: refused without a message\n", what, at);
            ++failures;
        }
    }
}

// Every truncation, bit flips, and overwrites with the checksum made good; false when a cut copy
// was accepted (the rest counts failures).
bool damageAll(const std::vector<std::uint8_t>& real) {
    const long acceptedAtStart = accepted;
    for (std::size_t size = 0; size < real.size(); ++size) {
        const std::vector<std::uint8_t> cut(real.begin(), real.begin() + static_cast<long>(size));
        check(cut, "truncation", size);
        if (accepted != acceptedAtStart) {
            std::printf("FAIL a replay cut to %zu bytes was accepted\n", size);
            return false;
        }
    }
    std::uint64_t state = 88172645463325252ull;
    auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    };
    for (std::size_t at = 0; at < real.size(); ++at) {
        std::vector<std::uint8_t> flipped = real;
        flipped[at] ^= static_cast<std::uint8_t>(1u << (next() % 8));
        const long acceptedBefore = accepted;
        check(flipped, "bit flip", at);
        // A flip the checksum was not made good for is never a replay.
        if (accepted != acceptedBefore) {
            std::printf("FAIL a bit flipped at %zu was accepted\n", at);
            ++failures;
        }
        // The same with the checksum made good: the fields' own checks must hold.
        resign(flipped);
        check(flipped, "re-signed bit flip", at);
        std::vector<std::uint8_t> overwritten = real;
        for (int k = 0; k < 4 && at + static_cast<std::size_t>(k) + 4 < real.size(); ++k) {
            overwritten[at + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(next());
        }
        resign(overwritten);
        check(overwritten, "re-signed overwrite", at);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: replay_reader_fuzz REPLAY\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<std::uint8_t> real((std::istreambuf_iterator<char>(in)),
                                         std::istreambuf_iterator<char>());
    Replay original;
    std::string error;
    if (!decodeReplay(real.data(), real.size(), original, error)) {
        std::printf("FAIL the intact replay does not read: %s\n", error.c_str());
        return 1;
    }
    // The file as recorded, then the same match with an online record (format 2).
    Replay online = original;
    online.names[0] = "ann";
    online.names[1] = "カイ";
    online.verdict = ReplayVerdict::Left;
    online.verdictWinner = 0;
    if (!damageAll(real) || !damageAll(encodeReplay(online))) {
        return 1;
    }
    // A huge claimed length in a file a few bytes long.
    std::vector<std::uint8_t> empty = encodeReplay(Replay{});
    check(empty, "empty replay", 0);
    std::printf("%s: %zu bytes; %ld damaged copies refused, %ld read; %d failures\n", argv[1],
                real.size(), refused, accepted, failures);
    return failures == 0 ? 0 : 1;
}
