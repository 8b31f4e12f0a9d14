// Encoding and decoding of the online messages: little-endian numbers, strings as a length
// byte and UTF-8 without control characters, every field checked against its range.
#include "net/protocol.h"

namespace kokurin::net {

namespace {

constexpr std::uint16_t keyMask = (1u << matchKeyCount) - 1u;

class Writer {
  public:
    void u8(std::uint8_t v) { bytes.push_back(v); }
    void u16(std::uint16_t v) {
        u8(static_cast<std::uint8_t>(v));
        u8(static_cast<std::uint8_t>(v >> 8));
    }
    void u32(std::uint32_t v) {
        u16(static_cast<std::uint16_t>(v));
        u16(static_cast<std::uint16_t>(v >> 16));
    }
    void u64(std::uint64_t v) {
        u32(static_cast<std::uint32_t>(v));
        u32(static_cast<std::uint32_t>(v >> 32));
    }
    void text(const std::string& s) {
        u8(static_cast<std::uint8_t>(s.size()));
        bytes.insert(bytes.end(), s.begin(), s.end());
    }
    std::vector<std::uint8_t> bytes;
};

// Whether s is UTF-8 without control characters: names and codes are shown on screen.
bool printableUtf8(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        int follow = 0;
        std::uint32_t code = 0;
        if (c < 0x80) {
            if (c < 0x20 || c == 0x7f) {
                return false;
            }
            ++i;
            continue;
        } else if ((c & 0xe0) == 0xc0 && c >= 0xc2) {
            follow = 1;
            code = c & 0x1fu;
        } else if ((c & 0xf0) == 0xe0) {
            follow = 2;
            code = c & 0x0fu;
        } else if ((c & 0xf8) == 0xf0 && c <= 0xf4) {
            follow = 3;
            code = c & 0x07u;
        } else {
            return false;
        }
        if (i + static_cast<std::size_t>(follow) >= s.size()) {
            return false;
        }
        for (int k = 1; k <= follow; ++k) {
            const auto n = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
            if ((n & 0xc0) != 0x80) {
                return false;
            }
            code = (code << 6) | (n & 0x3fu);
        }
        // Overlong forms, surrogates and values past U+10FFFF.
        if ((follow == 2 && (code < 0x800 || (code >= 0xd800 && code <= 0xdfff))) ||
            (follow == 3 && (code < 0x10000 || code > 0x10ffff))) {
            return false;
        }
        i += static_cast<std::size_t>(follow) + 1;
    }
    return true;
}

class Reader {
  public:
    Reader(const std::uint8_t* bytes, std::size_t size) : p_(bytes), left_(size) {}

    bool u8(std::uint8_t& v) {
        if (left_ < 1) {
            return fail("the message ends early");
        }
        v = *p_++;
        --left_;
        return true;
    }
    bool u16(std::uint16_t& v) {
        std::uint8_t a = 0;
        std::uint8_t b = 0;
        if (!u8(a) || !u8(b)) {
            return false;
        }
        v = static_cast<std::uint16_t>(a | (b << 8));
        return true;
    }
    bool u32(std::uint32_t& v) {
        std::uint16_t a = 0;
        std::uint16_t b = 0;
        if (!u16(a) || !u16(b)) {
            return false;
        }
        v = static_cast<std::uint32_t>(a) | (static_cast<std::uint32_t>(b) << 16);
        return true;
    }
    bool i32(std::int32_t& v) {
        std::uint32_t u = 0;
        if (!u32(u)) {
            return false;
        }
        v = static_cast<std::int32_t>(u);
        return true;
    }
    bool u64(std::uint64_t& v) {
        std::uint32_t a = 0;
        std::uint32_t b = 0;
        if (!u32(a) || !u32(b)) {
            return false;
        }
        v = static_cast<std::uint64_t>(a) | (static_cast<std::uint64_t>(b) << 32);
        return true;
    }
    bool text(std::string& s, std::size_t maxBytes, const char* what) {
        std::uint8_t n = 0;
        if (!u8(n)) {
            return false;
        }
        if (n > maxBytes) {
            return fail(std::string(what) + " is too long");
        }
        if (left_ < n) {
            return fail("the message ends early");
        }
        s.assign(reinterpret_cast<const char*>(p_), n);
        p_ += n;
        left_ -= n;
        if (!printableUtf8(s)) {
            return fail(std::string(what) + " is not printable UTF-8");
        }
        return true;
    }
    bool fail(const std::string& why) {
        if (error.empty()) {
            error = why;
        }
        return false;
    }
    bool done() { return left_ == 0 || fail("bytes follow the message"); }

    std::string error;

  private:
    const std::uint8_t* p_;
    std::size_t left_;
};

// ---- Ranked play's messages ----

bool rankedFitsLimits(const Message& m) {
    const RankedStanding& s = m.ranked.standing;
    if (s.name.size() > maxNameBytes || s.leaders.size() > maxLeaders ||
        (m.type == MessageType::RankedWaiting && m.number > 0xFFFFu) ||
        (m.type == MessageType::Rated && m.reason > lastRatedOutcome)) {
        return false;
    }
    for (const RankedLeader& leader : s.leaders) {
        if (leader.name.size() > maxNameBytes) {
            return false;
        }
    }
    return true;
}

void writeRanked(Writer& w, const Message& m) {
    switch (m.type) {
    case MessageType::Identify:
        for (std::uint8_t b : m.ranked.key) {
            w.u8(b);
        }
        break;
    case MessageType::Standing: {
        const RankedStanding& s = m.ranked.standing;
        w.text(s.name);
        w.u16(s.rating);
        w.u16(s.deviation);
        w.u32(s.rank);
        w.u32(s.games);
        w.u32(s.wins);
        w.u32(s.losses);
        w.u8(static_cast<std::uint8_t>(s.leaders.size()));
        for (const RankedLeader& leader : s.leaders) {
            w.u32(leader.rank);
            w.text(leader.name);
            w.u16(leader.rating);
        }
        break;
    }
    case MessageType::RankedWaiting:
        w.u16(static_cast<std::uint16_t>(m.number));
        break;
    case MessageType::Rated:
        w.u32(m.number);
        w.u8(m.reason);
        w.u8(m.seat);
        for (int s = 0; s < 2; ++s) {
            w.u16(m.ranked.before[s]);
            w.u16(m.ranked.after[s]);
        }
        break;
    default:
        break;
    }
}

bool readRanked(Reader& r, Message& m) {
    switch (m.type) {
    case MessageType::Identify:
        for (std::uint8_t& b : m.ranked.key) {
            if (!r.u8(b)) {
                return false;
            }
        }
        return true;
    case MessageType::Standing: {
        RankedStanding& s = m.ranked.standing;
        std::uint8_t count = 0;
        if (!r.text(s.name, maxNameBytes, "a name") || !r.u16(s.rating) || !r.u16(s.deviation) ||
            !r.u32(s.rank) || !r.u32(s.games) || !r.u32(s.wins) || !r.u32(s.losses) ||
            !r.u8(count)) {
            return false;
        }
        if (count > maxLeaders) {
            return r.fail("too many leaders");
        }
        s.leaders.resize(count);
        for (RankedLeader& leader : s.leaders) {
            if (!r.u32(leader.rank) || !r.text(leader.name, maxNameBytes, "a name") ||
                !r.u16(leader.rating)) {
                return false;
            }
        }
        return true;
    }
    case MessageType::AskStanding:
    case MessageType::RankedQueue:
        return true;
    case MessageType::RankedWaiting: {
        std::uint16_t window = 0;
        if (!r.u16(window)) {
            return false;
        }
        m.number = window;
        return true;
    }
    case MessageType::Rated:
        if (!r.u32(m.number) || !r.u8(m.reason) || !r.u8(m.seat)) {
            return false;
        }
        for (int s = 0; s < 2; ++s) {
            if (!r.u16(m.ranked.before[s]) || !r.u16(m.ranked.after[s])) {
                return false;
            }
        }
        return (m.reason <= lastRatedOutcome && m.seat < 2) ||
               r.fail("a rating's outcome out of range");
    default:
        return r.fail("unknown message type");
    }
}

bool validSeat(std::uint8_t seat, bool spectatorToo) {
    return seat < 2 || (spectatorToo && seat == spectatorSeat);
}

// The longest text field each type carries.
std::size_t textLimit(MessageType type) {
    switch (type) {
    case MessageType::Hello:
        return maxNameBytes;
    case MessageType::CreateRoom:
    case MessageType::JoinRoom:
    case MessageType::Joined:
    case MessageType::Resume:
        return maxRoomCodeBytes;
    default:
        return 255;
    }
}

bool fitsLimits(const Message& m) {
    if (m.text.size() > textLimit(m.type) || m.gameVersion.size() > maxNameBytes ||
        m.names[0].size() > maxNameBytes || m.names[1].size() > maxNameBytes ||
        m.runs.size() > maxInputRuns || m.rooms.size() > maxListedRooms) {
        return false;
    }
    for (const RoomEntry& room : m.rooms) {
        if (room.code.size() > maxRoomCodeBytes || room.names[0].size() > maxNameBytes ||
            room.names[1].size() > maxNameBytes) {
            return false;
        }
    }
    if (m.addresses.size() > maxServerAddresses) {
        return false;
    }
    for (const std::string& address : m.addresses) {
        if (address.empty() || address.size() > maxServerAddressBytes) {
            return false;
        }
    }
    return rankedFitsLimits(m);
}

void writeStart(Writer& w, const MatchStart& s) {
    w.u32(static_cast<std::uint32_t>(s.opponent));
    w.u32(s.seed);
    w.u32(static_cast<std::uint32_t>(s.rotation));
    w.u32(static_cast<std::uint32_t>(s.randomIndex));
    for (std::uint32_t word : s.randomWords) {
        w.u32(word);
    }
    w.u32(s.keyHolds);
}

bool readStart(Reader& r, MatchStart& s) {
    if (!r.i32(s.opponent) || !r.u32(s.seed) || !r.i32(s.rotation) || !r.i32(s.randomIndex)) {
        return false;
    }
    for (std::uint32_t& word : s.randomWords) {
        if (!r.u32(word)) {
            return false;
        }
    }
    if (!r.u32(s.keyHolds)) {
        return false;
    }
    // An online match seats two humans; the rest as a replay's start is checked.
    if (s.opponent != 0 || s.randomIndex < 0 || s.randomIndex > Sfmt19937::wordCount ||
        s.rotation < 0 || (s.keyHolds >> (2 * matchKeyCount)) != 0) {
        return r.fail("the match's start is out of range");
    }
    for (int bit = 0; bit < matchKeyCount; ++bit) {
        if (((s.keyHolds >> (2 * bit)) & 3u) == 3u) {
            return r.fail("the match's start is out of range");
        }
    }
    return true;
}

bool readBody(Reader& r, Message& m) {
    switch (m.type) {
    case MessageType::Hello:
        return r.u16(m.version) && r.text(m.gameVersion, maxNameBytes, "the game version") &&
               r.text(m.text, maxNameBytes, "the name");
    case MessageType::Welcome:
        return r.u16(m.version) && r.u32(m.number) && r.u64(m.token);
    case MessageType::Refused:
        if (!r.u8(m.reason) || !r.text(m.text, 255, "the explanation")) {
            return false;
        }
        return (m.reason >= 1 && m.reason <= lastRefusalReason) || r.fail("unknown refusal");
    case MessageType::ListRooms:
    case MessageType::QuickMatch:
    case MessageType::Rematch:
    case MessageType::Leave:
        return true;
    case MessageType::RoomList: {
        std::uint8_t count = 0;
        if (!r.u8(count)) {
            return false;
        }
        if (count > maxListedRooms) {
            return r.fail("too many rooms");
        }
        m.rooms.resize(count);
        for (RoomEntry& room : m.rooms) {
            if (!r.text(room.code, maxRoomCodeBytes, "a room code") ||
                !r.text(room.names[0], maxNameBytes, "a name") ||
                !r.text(room.names[1], maxNameBytes, "a name") || !r.u16(room.spectators) ||
                !r.u8(room.playing)) {
                return false;
            }
            if (room.playing > 1) {
                return r.fail("a room's state is out of range");
            }
        }
        return true;
    }
    case MessageType::CreateRoom:
        return r.u8(m.flag) && r.text(m.text, maxRoomCodeBytes, "the room code") &&
               (m.flag <= 1 || r.fail("unknown room flags"));
    case MessageType::JoinRoom:
        if (!r.u8(m.flag) || !r.text(m.text, maxRoomCodeBytes, "the room code")) {
            return false;
        }
        return (m.flag <= 3 && !m.text.empty()) || r.fail("a join needs a room code");
    case MessageType::Joined:
        return r.text(m.text, maxRoomCodeBytes, "the room code") && r.u8(m.seat) &&
               r.text(m.names[0], maxNameBytes, "a name") &&
               r.text(m.names[1], maxNameBytes, "a name") &&
               (validSeat(m.seat, true) || r.fail("a seat out of range"));
    case MessageType::Start:
        if (!r.u32(m.number) || !r.text(m.names[0], maxNameBytes, "a name") ||
            !r.text(m.names[1], maxNameBytes, "a name") || !r.u8(m.seat) || !r.u32(m.held[0]) ||
            !r.u32(m.held[1]) || !r.u32(m.clock) || !r.u32(m.lead) || !readStart(r, m.start)) {
            return false;
        }
        if (!validSeat(m.seat, true)) {
            return r.fail("a seat out of range");
        }
        return (m.held[0] <= replayMaxFrames && m.held[1] <= replayMaxFrames &&
                m.clock <= replayMaxFrames && m.lead <= replayMaxFrames) ||
               r.fail("frames past the longest match");
    case MessageType::Inputs: {
        std::uint8_t count = 0;
        if (!r.u8(m.seat) || !r.u32(m.held[0]) || !r.u32(m.held[1]) || !r.u32(m.number) ||
            !r.u8(count)) {
            return false;
        }
        if (!validSeat(m.seat, false)) {
            return r.fail("a seat out of range");
        }
        if (count > maxInputRuns) {
            return r.fail("more runs of inputs than a message carries");
        }
        if (m.held[0] > replayMaxFrames || m.held[1] > replayMaxFrames) {
            return r.fail("frames past the longest match");
        }
        // The runs lie within the frames the stream reaches.
        std::uint64_t end = m.number;
        m.runs.resize(count);
        for (InputRun& run : m.runs) {
            if (!r.u16(run.frames) || !r.u16(run.input.keys) || !r.u8(run.input.pointer)) {
                return false;
            }
            if (run.frames == 0) {
                return r.fail("a run of no frames");
            }
            if ((run.input.keys & ~keyMask) != 0) {
                return r.fail("an input holds keys that do not exist");
            }
            end += run.frames;
        }
        return end <= m.held[m.seat] || r.fail("runs past the frames the stream reaches");
    }
    case MessageType::Hash:
        if (!r.u32(m.number) || !r.u32(m.hash)) {
            return false;
        }
        return (m.number > 0 && m.number % replayHashInterval == 0 &&
                m.number <= replayMaxFrames) ||
               r.fail("a hash's frame is not one a hash is taken at");
    case MessageType::Diverged:
        return r.u32(m.number) && r.u8(m.seat) &&
               (validSeat(m.seat, false) || r.fail("a seat out of range"));
    case MessageType::Result:
        if (!r.u32(m.number) || !r.u32(m.hash) || !r.u8(m.reason)) {
            return false;
        }
        return (m.reason <= static_cast<std::uint8_t>(ReplayResult::Stopped) &&
                m.number <= replayMaxFrames) ||
               r.fail("a result out of range");
    case MessageType::MatchOver:
        if (!r.u8(m.reason) || !r.u8(m.seat) || !r.u32(m.number)) {
            return false;
        }
        return (m.reason >= 1 && m.reason <= lastMatchEnd && validSeat(m.seat, true)) ||
               r.fail("a match's end out of range");
    case MessageType::Resume:
        return r.u64(m.token) && r.text(m.text, maxRoomCodeBytes, "the room code");
    case MessageType::Ping:
    case MessageType::Pong:
        return r.u32(m.number);
    case MessageType::Identify:
    case MessageType::Standing:
    case MessageType::AskStanding:
    case MessageType::RankedQueue:
    case MessageType::RankedWaiting:
    case MessageType::Rated:
        return readRanked(r, m);
    case MessageType::Servers: {
        std::uint8_t count = 0;
        if (!r.u8(count)) {
            return false;
        }
        if (count > maxServerAddresses) {
            return r.fail("too many addresses");
        }
        m.addresses.resize(count);
        for (std::string& address : m.addresses) {
            if (!r.text(address, maxServerAddressBytes, "an address")) {
                return false;
            }
            if (address.empty()) {
                return r.fail("an empty address");
            }
        }
        return true;
    }
    }
    return r.fail("unknown message type");
}

} // namespace

bool operator==(const Message& a, const Message& b) {
    auto sameRooms = [&]() {
        if (a.rooms.size() != b.rooms.size()) {
            return false;
        }
        for (std::size_t i = 0; i < a.rooms.size(); ++i) {
            const RoomEntry& x = a.rooms[i];
            const RoomEntry& y = b.rooms[i];
            if (x.code != y.code || x.names[0] != y.names[0] || x.names[1] != y.names[1] ||
                x.spectators != y.spectators || x.playing != y.playing) {
                return false;
            }
        }
        return true;
    };
    return a.type == b.type && a.version == b.version && a.text == b.text &&
           a.gameVersion == b.gameVersion && a.names[0] == b.names[0] && a.names[1] == b.names[1] &&
           a.seat == b.seat && a.flag == b.flag && a.reason == b.reason && a.number == b.number &&
           a.hash == b.hash && a.token == b.token && a.held[0] == b.held[0] &&
           a.held[1] == b.held[1] && a.clock == b.clock && a.lead == b.lead &&
           encodeMessage(a) == encodeMessage(b) && a.runs == b.runs && sameRooms() &&
           a.addresses == b.addresses;
}

std::vector<std::uint8_t> encodeMessage(const Message& m) {
    if (!fitsLimits(m)) {
        return {};
    }
    Writer w;
    w.u8(static_cast<std::uint8_t>(m.type));
    switch (m.type) {
    case MessageType::Hello:
        w.u16(m.version);
        w.text(m.gameVersion);
        w.text(m.text);
        break;
    case MessageType::Welcome:
        w.u16(m.version);
        w.u32(m.number);
        w.u64(m.token);
        break;
    case MessageType::Refused:
        w.u8(m.reason);
        w.text(m.text);
        break;
    case MessageType::ListRooms:
    case MessageType::QuickMatch:
    case MessageType::Rematch:
    case MessageType::Leave:
        break;
    case MessageType::RoomList:
        w.u8(static_cast<std::uint8_t>(m.rooms.size()));
        for (const RoomEntry& room : m.rooms) {
            w.text(room.code);
            w.text(room.names[0]);
            w.text(room.names[1]);
            w.u16(room.spectators);
            w.u8(room.playing);
        }
        break;
    case MessageType::CreateRoom:
    case MessageType::JoinRoom:
        w.u8(m.flag);
        w.text(m.text);
        break;
    case MessageType::Joined:
        w.text(m.text);
        w.u8(m.seat);
        w.text(m.names[0]);
        w.text(m.names[1]);
        break;
    case MessageType::Start:
        w.u32(m.number);
        w.text(m.names[0]);
        w.text(m.names[1]);
        w.u8(m.seat);
        w.u32(m.held[0]);
        w.u32(m.held[1]);
        w.u32(m.clock);
        w.u32(m.lead);
        writeStart(w, m.start);
        break;
    case MessageType::Inputs:
        w.u8(m.seat);
        w.u32(m.held[0]);
        w.u32(m.held[1]);
        w.u32(m.number);
        w.u8(static_cast<std::uint8_t>(m.runs.size()));
        for (const InputRun& run : m.runs) {
            w.u16(run.frames);
            w.u16(run.input.keys);
            w.u8(run.input.pointer);
        }
        break;
    case MessageType::Hash:
        w.u32(m.number);
        w.u32(m.hash);
        break;
    case MessageType::Diverged:
        w.u32(m.number);
        w.u8(m.seat);
        break;
    case MessageType::Result:
        w.u32(m.number);
        w.u32(m.hash);
        w.u8(m.reason);
        break;
    case MessageType::MatchOver:
        w.u8(m.reason);
        w.u8(m.seat);
        w.u32(m.number);
        break;
    case MessageType::Resume:
        w.u64(m.token);
        w.text(m.text);
        break;
    case MessageType::Ping:
    case MessageType::Pong:
        w.u32(m.number);
        break;
    case MessageType::Identify:
    case MessageType::Standing:
    case MessageType::AskStanding:
    case MessageType::RankedQueue:
    case MessageType::RankedWaiting:
    case MessageType::Rated:
        writeRanked(w, m);
        break;
    case MessageType::Servers:
        w.u8(static_cast<std::uint8_t>(m.addresses.size()));
        for (const std::string& address : m.addresses) {
            w.text(address);
        }
        break;
    default:
        return {};
    }
    return w.bytes;
}

bool decodeMessage(const std::uint8_t* bytes, std::size_t size, Message& message,
                   std::string& error) {
    if (size == 0) {
        error = "an empty message";
        return false;
    }
    if (size > maxMessageBytes) {
        error = "the message is larger than any message";
        return false;
    }
    Reader r(bytes + 1, size - 1);
    Message m;
    m.type = static_cast<MessageType>(bytes[0]);
    if (bytes[0] < static_cast<std::uint8_t>(MessageType::Hello) ||
        bytes[0] > lastMessageType) {
        error = "unknown message type";
        return false;
    }
    if (!readBody(r, m) || !r.done()) {
        error = r.error;
        return false;
    }
    message = std::move(m);
    return true;
}

} // namespace kokurin::net
