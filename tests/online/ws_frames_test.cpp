// kokurin-server's own WebSocket framing: what any client may send comes back as the same
// messages however it is masked, fragmented and cut into reads; what no client may send is Bad.
#include <gtest/gtest.h>

#include <random>

#include "server_options.h"
#include "ws_frames.h"

namespace kokurin {
namespace {

using Bytes = std::vector<std::uint8_t>;

// One client frame: FIN, opcode, the mask bit with a random mask, the payload masked.
void clientFrame(Bytes& out, bool fin, std::uint8_t opcode, const Bytes& payload,
                 std::mt19937& random) {
    out.push_back(static_cast<std::uint8_t>((fin ? 0x80 : 0) | opcode));
    const std::size_t n = payload.size();
    if (n < 126) {
        out.push_back(static_cast<std::uint8_t>(0x80 | n));
    } else {
        out.push_back(0x80 | 126);
        out.push_back(static_cast<std::uint8_t>(n >> 8));
        out.push_back(static_cast<std::uint8_t>(n & 0xff));
    }
    std::uint8_t mask[4];
    for (std::uint8_t& m : mask) {
        m = static_cast<std::uint8_t>(random());
        out.push_back(m);
    }
    for (std::size_t i = 0; i < n; ++i) {
        out.push_back(payload[i] ^ mask[i & 3]);
    }
}

struct Seen {
    ClientFrames::Kind kind;
    Bytes data;
    bool operator==(const Seen& o) const { return kind == o.kind && data == o.data; }
};

// Feeds the bytes in random cuts and collects every item.
std::vector<Seen> readAll(const Bytes& wire, std::mt19937& random, std::size_t max = 4096) {
    ClientFrames frames(max);
    std::vector<Seen> seen;
    for (std::size_t at = 0; at < wire.size();) {
        const std::size_t n = std::min<std::size_t>(1 + random() % 700, wire.size() - at);
        frames.feed(wire.data() + at, n);
        at += n;
        ClientFrames::Item item;
        while (frames.next(item)) {
            seen.push_back({item.kind, Bytes(item.data, item.data + item.size)});
        }
    }
    return seen;
}

TEST(WsFrames, MessagesComeBackWhateverTheMaskFragmentsAndReads) {
    std::mt19937 random(11);
    for (int round = 0; round < 50; ++round) {
        Bytes wire;
        std::vector<Seen> sent;
        for (int m = 0; m < 20; ++m) {
            const std::size_t sizes[] = {0, 1, 125, 126, 127, 4096, random() % 300};
            Bytes payload(sizes[random() % 7]);
            for (std::uint8_t& b : payload) {
                b = static_cast<std::uint8_t>(random());
            }
            const bool isText = random() % 5 == 0;
            const auto kind = isText ? ClientFrames::Kind::Text : ClientFrames::Kind::Binary;
            // Up to three fragments, a ping between two of them (control frames may interleave).
            const std::size_t cut1 = payload.empty() ? 0 : random() % (payload.size() + 1);
            const bool fragmented = random() % 3 == 0;
            if (!fragmented) {
                clientFrame(wire, true, isText ? 1 : 2, payload, random);
            } else {
                clientFrame(wire, false, isText ? 1 : 2,
                            Bytes(payload.begin(), payload.begin() + cut1), random);
                const Bytes ping = {1, 2, 3};
                clientFrame(wire, true, 9, ping, random);
                sent.push_back({ClientFrames::Kind::Ping, ping});
                clientFrame(wire, true, 10, Bytes{9}, random); // a pong: read and passed over
                clientFrame(wire, true, 0, Bytes(payload.begin() + cut1, payload.end()), random);
            }
            sent.push_back({kind, payload});
        }
        clientFrame(wire, true, 8, Bytes{0x03, 0xe8}, random);
        sent.push_back({ClientFrames::Kind::Close, Bytes{0x03, 0xe8}});
        ASSERT_EQ(readAll(wire, random), sent) << "round " << round;
    }
}

TEST(WsFrames, WhatNoClientMaySendIsBadAndEndsTheReading) {
    std::mt19937 random(5);
    const Bytes small = {1, 2, 3};
    std::vector<Bytes> bad;
    bad.push_back({0x82, 0x03, 1, 2, 3});                   // not masked
    bad.push_back({0xc2, 0x80, 0, 0, 0, 0});                // a reserved bit
    bad.push_back({0x82, 0xff, 0, 0, 0, 0x10, 0, 0, 0, 0}); // 2^40 bytes
    bad.push_back({0x83, 0x80, 0, 0, 0, 0});                // an unknown opcode
    Bytes big;
    clientFrame(big, true, 2, Bytes(4097), random); // past the largest message
    bad.push_back(big);
    Bytes longPing;
    clientFrame(longPing, true, 9, Bytes(126), random); // a control frame over 125
    bad.push_back(longPing);
    Bytes cutPing;
    clientFrame(cutPing, false, 9, small, random); // a fragmented control frame
    bad.push_back(cutPing);
    Bytes orphan;
    clientFrame(orphan, true, 0, small, random); // a continuation of nothing
    bad.push_back(orphan);
    Bytes twoStarts;
    clientFrame(twoStarts, false, 2, small, random); // a new message mid-message
    clientFrame(twoStarts, true, 2, small, random);
    bad.push_back(twoStarts);
    Bytes tooMany;
    clientFrame(tooMany, false, 2, Bytes(3000), random); // fragments past the largest
    clientFrame(tooMany, true, 0, Bytes(1097), random);
    bad.push_back(tooMany);
    for (std::size_t i = 0; i < bad.size(); ++i) {
        Bytes wire = bad[i];
        clientFrame(wire, true, 2, small, random); // never read after the bad frame
        const std::vector<Seen> seen = readAll(wire, random);
        ASSERT_FALSE(seen.empty()) << "case " << i;
        EXPECT_EQ(seen.back().kind, ClientFrames::Kind::Bad) << "case " << i;
    }
}

// A client must mask every frame (a proxy or cache between it and the server must never see
// bytes a page chose): an unmasked frame of any kind is refused on its own, before any of its
// payload is read as a message, however the bytes are cut.
TEST(WsFrames, AnUnmaskedFrameOfAnyKindIsRefusedAtOnce) {
    std::mt19937 random(3);
    for (std::uint8_t opcode : {1, 2, 8, 9, 10}) {
        for (std::size_t n : {0, 5, 125, 300}) {
            if ((opcode & 8) != 0 && n > 125) {
                continue;
            }
            Bytes wire;
            clientFrame(wire, true, 2, Bytes{7}, random); // a good message first
            wire.push_back(static_cast<std::uint8_t>(0x80 | opcode));
            if (n < 126) {
                wire.push_back(static_cast<std::uint8_t>(n));
            } else {
                wire.push_back(126);
                wire.push_back(static_cast<std::uint8_t>(n >> 8));
                wire.push_back(static_cast<std::uint8_t>(n & 0xff));
            }
            wire.insert(wire.end(), n, 0x41);
            ClientFrames frames(4096);
            frames.feed(wire.data(), wire.size());
            ClientFrames::Item item;
            ASSERT_TRUE(frames.next(item));
            EXPECT_EQ(item.kind, ClientFrames::Kind::Binary);
            ASSERT_TRUE(frames.next(item)) << "opcode " << int(opcode) << " size " << n;
            EXPECT_EQ(item.kind, ClientFrames::Kind::Bad) << "opcode " << int(opcode);
            EXPECT_STREQ(frames.whyBad(), "an unmasked frame");
            EXPECT_FALSE(frames.next(item));
            // Its header alone, cut anywhere after the length, is refused the same.
            ClientFrames cut(4096);
            cut.feed(wire.data() + 7, 2);
            ASSERT_TRUE(cut.next(item)) << "opcode " << int(opcode);
            EXPECT_EQ(item.kind, ClientFrames::Kind::Bad);
        }
    }
}

// Control frames are counted with the messages: a rate limit sees a ping flood.
TEST(WsFrames, EveryFrameReadIsCounted) {
    std::mt19937 random(9);
    Bytes wire;
    for (int i = 0; i < 10; ++i) {
        clientFrame(wire, true, 9, Bytes{1}, random);
        clientFrame(wire, true, 10, Bytes{2}, random);
    }
    clientFrame(wire, false, 2, Bytes{3}, random);
    clientFrame(wire, true, 0, Bytes{4}, random);
    ClientFrames frames(4096);
    frames.feed(wire.data(), wire.size());
    ClientFrames::Item item;
    int items = 0;
    while (frames.next(item)) {
        ++items;
    }
    EXPECT_EQ(items, 11); // ten pings and one message
    EXPECT_EQ(frames.framesRead(), 22u);
}

TEST(WsFrames, ServerFramesCarryTheirLengthsUnmasked) {
    for (std::size_t n : {0, 125, 126, 4096, 65535, 65536}) {
        Bytes payload(n, 7);
        Bytes out = {0xaa};
        appendServerFrame(out, 2, payload.data(), payload.size());
        ASSERT_EQ(out[1], 0x82);
        std::size_t length = out[2];
        std::size_t head = 3;
        if (length == 126) {
            length = (std::size_t(out[3]) << 8) | out[4];
            head = 5;
        } else if (length == 127) {
            length = 0;
            for (int i = 3; i < 11; ++i) {
                length = (length << 8) | out[i];
            }
            head = 11;
        }
        EXPECT_EQ(length, n);
        EXPECT_EQ(out.size(), head + n);
    }
}

TEST(ServerOptions, RedisAddresses) {
    std::string host;
    int port = 0;
    EXPECT_TRUE(splitRedisUrl("redis://127.0.0.1:6390", host, port));
    EXPECT_EQ(host + ":" + std::to_string(port), "127.0.0.1:6390");
    EXPECT_TRUE(splitRedisUrl("redis://cache.example/", host, port));
    EXPECT_EQ(host + ":" + std::to_string(port), "cache.example:6379");
    for (const char* bad : {"", "redis://", "http://x:1", "redis://x:0", "redis://x:65536",
                            "redis://x:12a", "redis://user@x:1", "redis://x:1/3"}) {
        EXPECT_FALSE(splitRedisUrl(bad, host, port)) << bad;
    }
}

} // namespace
} // namespace kokurin
