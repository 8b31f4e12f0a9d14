// The replay file's bytes: little-endian fields, the inputs as runs, a CRC-32 over the whole.
#include "replay/replay_file.h"

#include <cstdio>

#include "replay/player_name.h"

namespace kokurin {

namespace {

const std::uint8_t magic[4] = {'K', 'K', 'R', 'P'};
constexpr std::size_t maxVersionLength = 32;

class Writer {
  public:
    void byte(std::uint8_t b) { bytes.push_back(b); }
    void u16(std::uint16_t v) {
        byte(static_cast<std::uint8_t>(v));
        byte(static_cast<std::uint8_t>(v >> 8));
    }
    void u32(std::uint32_t v) {
        u16(static_cast<std::uint16_t>(v));
        u16(static_cast<std::uint16_t>(v >> 16));
    }
    void varint(std::uint32_t v) {
        while (v >= 0x80) {
            byte(static_cast<std::uint8_t>(v | 0x80));
            v >>= 7;
        }
        byte(static_cast<std::uint8_t>(v));
    }
    std::vector<std::uint8_t> bytes;
};

// Reads within the bounds it was given; every read past them fails the whole decode.
class Reader {
  public:
    Reader(const std::uint8_t* bytes, std::size_t size) : bytes_(bytes), size_(size) {}
    bool byte(std::uint8_t& b) {
        if (at_ >= size_) {
            return false;
        }
        b = bytes_[at_++];
        return true;
    }
    bool u16(std::uint16_t& v) {
        std::uint8_t lo = 0;
        std::uint8_t hi = 0;
        if (!byte(lo) || !byte(hi)) {
            return false;
        }
        v = static_cast<std::uint16_t>(lo | hi << 8);
        return true;
    }
    bool u32(std::uint32_t& v) {
        std::uint16_t lo = 0;
        std::uint16_t hi = 0;
        if (!u16(lo) || !u16(hi)) {
            return false;
        }
        v = static_cast<std::uint32_t>(lo) | static_cast<std::uint32_t>(hi) << 16;
        return true;
    }
    bool varint(std::uint32_t& v) {
        v = 0;
        for (int shift = 0; shift < 35; shift += 7) {
            std::uint8_t b = 0;
            if (!byte(b)) {
                return false;
            }
            if (shift == 28 && (b & 0x70) != 0) {
                return false;
            }
            v |= static_cast<std::uint32_t>(b & 0x7f) << shift;
            if ((b & 0x80) == 0) {
                return true;
            }
        }
        return false;
    }
    std::size_t left() const { return size_ - at_; }

  private:
    const std::uint8_t* bytes_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// A stored name: empty (no player), or a name as every lobby takes it, already trimmed.
bool storableName(const std::string& name) {
    std::string normal;
    return name.empty() || (name.size() <= replayMaxNameBytes &&
                            normalizePlayerName(name, normal) && normal == name);
}

std::uint32_t expectedHashes(std::size_t frames) {
    return static_cast<std::uint32_t>(frames / replayHashInterval + 1);
}

bool fail(std::string& error, const char* message) {
    error = message;
    return false;
}

} // namespace

std::uint32_t replayChecksum(const std::uint8_t* bytes, std::size_t size) {
    std::uint32_t crc = 0xffffffffu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

bool hasOnlineRecord(const Replay& replay) {
    return !replay.names[0].empty() || !replay.names[1].empty() ||
           replay.verdict != ReplayVerdict::None;
}

const char* gameVersion() {
    return "1.0.0";
}

bool replayHashAt(const Replay& replay, std::uint32_t frame, std::uint32_t& hash) {
    if (frame == 0 || frame % replayHashInterval != 0) {
        return false;
    }
    const std::size_t k = frame / replayHashInterval - 1;
    if (frame > replay.inputs.size() || k >= replay.hashes.size()) {
        return false;
    }
    hash = replay.hashes[k];
    return true;
}

std::vector<std::uint8_t> encodeReplay(const Replay& replay) {
    Writer w;
    for (std::uint8_t b : magic) {
        w.byte(b);
    }
    const bool online = hasOnlineRecord(replay);
    w.u16(online ? replayFormatVersion : replayOfflineFormat);
    const std::size_t versionLength = replay.gameVersion.size() < maxVersionLength
                                          ? replay.gameVersion.size()
                                          : maxVersionLength;
    w.byte(static_cast<std::uint8_t>(versionLength));
    for (std::size_t i = 0; i < versionLength; ++i) {
        w.byte(static_cast<std::uint8_t>(replay.gameVersion[i]));
    }
    const MatchStart& start = replay.start;
    w.byte(static_cast<std::uint8_t>(start.opponent));
    w.byte(static_cast<std::uint8_t>(replay.result));
    if (online) {
        // A name no reader would take is not written: the file stays readable whatever it was
        // given.
        for (const std::string& name : replay.names) {
            const bool kept = storableName(name);
            w.byte(static_cast<std::uint8_t>(kept ? name.size() : 0));
            for (std::size_t i = 0; kept && i < name.size(); ++i) {
                w.byte(static_cast<std::uint8_t>(name[i]));
            }
        }
        const bool known = replay.verdict <= ReplayVerdict::TooLong;
        w.byte(static_cast<std::uint8_t>(known ? replay.verdict : ReplayVerdict::None));
        w.byte(known && replay.verdictWinner < replayNoWinner ? replay.verdictWinner
                                                              : replayNoWinner);
    }
    w.u32(start.seed);
    w.u32(static_cast<std::uint32_t>(start.rotation));
    w.u16(static_cast<std::uint16_t>(start.randomIndex));
    for (std::uint32_t word : start.randomWords) {
        w.u32(word);
    }
    w.u32(start.keyHolds);

    // The inputs as runs of equal frames: a match is mostly frames with nothing pressed.
    w.u32(static_cast<std::uint32_t>(replay.inputs.size()));
    std::vector<std::pair<std::uint32_t, FrameInput>> runs;
    for (const FrameInput& input : replay.inputs) {
        if (!runs.empty() && runs.back().second == input) {
            ++runs.back().first;
        } else {
            runs.emplace_back(1u, input);
        }
    }
    w.varint(static_cast<std::uint32_t>(runs.size()));
    for (const auto& run : runs) {
        w.varint(run.first);
        w.u16(run.second.keys);
        w.byte(run.second.pointer);
    }
    w.u32(static_cast<std::uint32_t>(replay.hashes.size()));
    for (std::uint32_t hash : replay.hashes) {
        w.u32(hash);
    }
    w.u32(replayChecksum(w.bytes.data(), w.bytes.size()));
    return std::move(w.bytes);
}

bool decodeReplay(const std::uint8_t* bytes, std::size_t size, Replay& out, std::string& error) {
    if (size > replayMaxBytes) {
        return fail(error, "not a replay: the file is larger than any replay");
    }
    if (size < 6 || bytes[0] != magic[0] || bytes[1] != magic[1] || bytes[2] != magic[2] ||
        bytes[3] != magic[3]) {
        return fail(error, "not a kokurin replay");
    }
    Reader r(bytes, size);
    std::uint8_t skipped = 0;
    for (int i = 0; i < 4; ++i) {
        r.byte(skipped);
    }
    std::uint16_t version = 0;
    r.u16(version);
    if (version == 0 || version > replayFormatVersion) {
        char message[160];
        std::snprintf(message, sizeof message,
                      "this replay is of format %u, made by a newer kokurin; this game (%s) reads "
                      "formats 1 to %u: install a newer kokurin to watch it",
                      static_cast<unsigned>(version), gameVersion(),
                      static_cast<unsigned>(replayFormatVersion));
        error = message;
        return false;
    }
    // Everything but the last four bytes is covered by the checksum: test it before trusting
    // any length inside.
    if (size < 10) {
        return fail(error, "the replay is cut short");
    }
    std::uint32_t stored = static_cast<std::uint32_t>(bytes[size - 4]) |
                           static_cast<std::uint32_t>(bytes[size - 3]) << 8 |
                           static_cast<std::uint32_t>(bytes[size - 2]) << 16 |
                           static_cast<std::uint32_t>(bytes[size - 1]) << 24;
    if (replayChecksum(bytes, size - 4) != stored) {
        return fail(error, "the replay is damaged (cut short or altered): its checksum fails");
    }
    Reader body(bytes, size - 4);
    for (int i = 0; i < 6; ++i) {
        body.byte(skipped);
    }

    Replay replay;
    std::uint8_t versionLength = 0;
    if (!body.byte(versionLength) || versionLength > maxVersionLength) {
        return fail(error, "the replay's header is damaged");
    }
    for (int i = 0; i < versionLength; ++i) {
        std::uint8_t c = 0;
        if (!body.byte(c) || c < 0x20 || c > 0x7e) {
            return fail(error, "the replay's header is damaged");
        }
        replay.gameVersion.push_back(static_cast<char>(c));
    }
    MatchStart& start = replay.start;
    std::uint8_t opponent = 0;
    std::uint8_t result = 0;
    std::uint32_t rotation = 0;
    std::uint16_t index = 0;
    if (!body.byte(opponent) || !body.byte(result)) {
        return fail(error, "the replay's header is cut short");
    }
    if (version >= 2) {
        for (std::string& name : replay.names) {
            std::uint8_t length = 0;
            if (!body.byte(length) || length > replayMaxNameBytes) {
                return fail(error, "the replay's players are damaged");
            }
            for (int i = 0; i < length; ++i) {
                std::uint8_t c = 0;
                if (!body.byte(c)) {
                    return fail(error, "the replay's header is cut short");
                }
                name.push_back(static_cast<char>(c));
            }
            if (!storableName(name)) {
                return fail(error, "the replay's players are damaged");
            }
        }
        std::uint8_t verdict = 0;
        std::uint8_t winner = 0;
        if (!body.byte(verdict) || !body.byte(winner)) {
            return fail(error, "the replay's header is cut short");
        }
        if (verdict > static_cast<std::uint8_t>(ReplayVerdict::TooLong) ||
            winner > replayNoWinner) {
            return fail(error, "the replay's verdict is damaged");
        }
        replay.verdict = static_cast<ReplayVerdict>(verdict);
        replay.verdictWinner = winner;
    }
    if (!body.u32(start.seed) || !body.u32(rotation) || !body.u16(index)) {
        return fail(error, "the replay's header is cut short");
    }
    if (opponent >= replayOpponents) {
        return fail(error, "the replay names no opponent of this game");
    }
    if (result > static_cast<std::uint8_t>(ReplayResult::Stopped)) {
        return fail(error, "the replay's result is damaged");
    }
    if (index > Sfmt19937::wordCount) {
        return fail(error, "the replay's generator state is damaged");
    }
    start.opponent = opponent;
    start.rotation = static_cast<std::int32_t>(rotation);
    start.randomIndex = index;
    replay.result = static_cast<ReplayResult>(result);
    for (std::uint32_t& word : start.randomWords) {
        if (!body.u32(word)) {
            return fail(error, "the replay's generator state is cut short");
        }
    }
    if (!body.u32(start.keyHolds)) {
        return fail(error, "the replay's header is cut short");
    }
    for (int bit = 0; bit < 16; ++bit) {
        const std::uint32_t hold = (start.keyHolds >> (2 * bit)) & 3u;
        if (hold == 3u || (bit >= matchKeyCount && hold != 0)) {
            return fail(error, "the replay's key state is damaged");
        }
    }

    std::uint32_t frames = 0;
    std::uint32_t runCount = 0;
    if (!body.u32(frames) || !body.varint(runCount)) {
        return fail(error, "the replay's inputs are cut short");
    }
    // Each run takes at least four bytes: a claimed count beyond what is there is refused
    // before anything is reserved for it.
    if (frames > replayMaxFrames || runCount > frames || runCount > body.left() / 4) {
        return fail(error, "the replay claims more frames than it can hold");
    }
    replay.inputs.reserve(frames);
    for (std::uint32_t run = 0; run < runCount; ++run) {
        std::uint32_t length = 0;
        FrameInput input;
        if (!body.varint(length) || !body.u16(input.keys) || !body.byte(input.pointer)) {
            return fail(error, "the replay's inputs are cut short");
        }
        if (length == 0 || length > frames - replay.inputs.size()) {
            return fail(error, "the replay's inputs do not add up to its frames");
        }
        if (input.keys >> matchKeyCount != 0) {
            return fail(error, "the replay's inputs hold keys this game does not have");
        }
        replay.inputs.insert(replay.inputs.end(), length, input);
    }
    if (replay.inputs.size() != frames) {
        return fail(error, "the replay's inputs do not add up to its frames");
    }
    std::uint32_t hashCount = 0;
    if (!body.u32(hashCount) || hashCount != expectedHashes(frames) ||
        hashCount > body.left() / 4) {
        return fail(error, "the replay's state hashes are missing or cut short");
    }
    replay.hashes.resize(hashCount);
    for (std::uint32_t& hash : replay.hashes) {
        body.u32(hash);
    }
    if (body.left() != 0) {
        return fail(error, "the replay has bytes after its end");
    }
    out = std::move(replay);
    return true;
}

} // namespace kokurin
