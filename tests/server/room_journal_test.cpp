// The journal's bytes: a start and frames come back as they went, anything else (cut, padded, out
// of range) is refused whole; a seat's token hash belongs to that room's seat and token alone.
#include <gtest/gtest.h>

#include "room_journal.h"

namespace kokurin {
namespace {

TEST(RoomJournal, StartsAndFramesRoundTripAndDamageIsRefusedWhole) {
    MatchStart start;
    start.seed = 4242;
    start.rotation = 9;
    start.randomIndex = 17;
    for (int i = 0; i < Sfmt19937::wordCount; ++i) {
        start.randomWords[i] = 0x9e3779b9u * static_cast<std::uint32_t>(i + 1);
    }
    start.keyHolds = 0x00249249u;
    const std::string bytes = encodeJournalStart(start);
    ASSERT_EQ(bytes.size(), 2516u);
    MatchStart back;
    ASSERT_TRUE(decodeJournalStart(bytes, back));
    EXPECT_EQ(encodeJournalStart(back), bytes);
    EXPECT_EQ(back.randomWords[623], start.randomWords[623]);
    EXPECT_FALSE(decodeJournalStart(bytes.substr(0, 2515), back));
    EXPECT_FALSE(decodeJournalStart(bytes + '\0', back));
    MatchStart bad = start;
    bad.opponent = 3;
    EXPECT_FALSE(decodeJournalStart(encodeJournalStart(bad), back)) << "two humans online";
    bad = start;
    bad.randomIndex = Sfmt19937::wordCount + 1;
    EXPECT_FALSE(decodeJournalStart(encodeJournalStart(bad), back));
    bad = start;
    bad.keyHolds = 3u;
    EXPECT_FALSE(decodeJournalStart(encodeJournalStart(bad), back)) << "no hold of 3";
    EXPECT_EQ(back.seed, 4242u) << "a refused start changes nothing";

    const std::vector<FrameInput> frames = {{0x0fffu, 0}, {0x0001u, 255}, {0, 37}};
    std::vector<FrameInput> read = {{5, 5}};
    ASSERT_TRUE(decodeJournalFrames(encodeJournalFrames(frames.data(), 3), read));
    EXPECT_EQ(read, (std::vector<FrameInput>{{5, 5}, {0x0fffu, 0}, {0x0001u, 255}, {0, 37}}))
        << "appended after what was there";
    EXPECT_FALSE(decodeJournalFrames(std::string(4, '\0'), read));
    EXPECT_FALSE(decodeJournalFrames(std::string("\0\0\0\0\x10\0", 6), read))
        << "a key past the twelfth";
    EXPECT_EQ(read.size(), 4u) << "nothing appended from a refused run";
}

TEST(RoomJournal, ATokenHashBelongsToItsRoomSeatAndToken) {
    const std::string hash = seatTokenHash("DUEL", 0, 0x0123456789abcdefull);
    ASSERT_EQ(hash.size(), 64u);
    EXPECT_EQ(hash.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_EQ(hash, seatTokenHash("DUEL", 0, 0x0123456789abcdefull));
    EXPECT_EQ(hash.find("0123456789abcdef"), std::string::npos) << "the token is not in it";
    EXPECT_NE(hash, seatTokenHash("DUEL", 1, 0x0123456789abcdefull));
    EXPECT_NE(hash, seatTokenHash("DUEL2", 0, 0x0123456789abcdefull));
    EXPECT_NE(hash, seatTokenHash("DUEL", 0, 0x0123456789abcdeeull));
    EXPECT_TRUE(sameTokenHash(hash, seatTokenHash("DUEL", 0, 0x0123456789abcdefull)));
    EXPECT_FALSE(sameTokenHash(hash, seatTokenHash("DUEL", 1, 0x0123456789abcdefull)));
    EXPECT_FALSE(sameTokenHash("", "")) << "no hash is nobody's token";
    EXPECT_FALSE(sameTokenHash(hash, hash.substr(0, 63)));
}

} // namespace
} // namespace kokurin
