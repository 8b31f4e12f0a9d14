// The replay file read back exactly as written, whatever the runs of equal frames (lengths
// around every boundary of their variable-length counts), and refused whole when any bit of it
// changes: every key and pick is covered by the checksum.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "match/match_start.h"
#include "replay/replay_file.h"

using namespace kokurin;

namespace {

Replay withRuns(const std::vector<std::uint32_t>& lengths) {
    Replay replay;
    replay.gameVersion = gameVersion();
    replay.start = freshMatchStart(9, 31337);
    replay.result = ReplayResult::Left;
    std::uint16_t keys = 1;
    for (std::uint32_t length : lengths) {
        // Each run differs from the one before: every key bit and pointer value turns up.
        keys = static_cast<std::uint16_t>((keys * 5 + 3) & 0x0fff);
        const FrameInput input{keys, static_cast<std::uint8_t>(length % 37)};
        replay.inputs.insert(replay.inputs.end(), length, input);
    }
    for (std::size_t k = 0; k <= replay.inputs.size() / replayHashInterval; ++k) {
        replay.hashes.push_back(static_cast<std::uint32_t>(k * 2654435761u));
    }
    return replay;
}

} // namespace

TEST(ReplayFile, RunsOfEveryLengthAroundTheCountsBoundariesReadBackExactly) {
    const std::vector<std::uint32_t> lengths = {1,   2,   127, 128,   129,   130,  255,
                                                256, 257, 1,   16383, 16384, 16385, 3};
    const Replay replay = withRuns(lengths);
    const std::vector<std::uint8_t> bytes = encodeReplay(replay);
    Replay back;
    std::string error;
    ASSERT_TRUE(decodeReplay(bytes.data(), bytes.size(), back, error)) << error;
    EXPECT_EQ(back.inputs, replay.inputs);
    EXPECT_EQ(back.hashes, replay.hashes);
    EXPECT_EQ(back.result, replay.result);
    EXPECT_EQ(back.gameVersion, replay.gameVersion);
    EXPECT_EQ(back.start.keyHolds, replay.start.keyHolds);
    EXPECT_EQ(back.start.randomIndex, replay.start.randomIndex);
    for (int i = 0; i < Sfmt19937::wordCount; ++i) {
        ASSERT_EQ(back.start.randomWords[i], replay.start.randomWords[i]) << i;
    }
    // Re-encoding what was read gives the same bytes.
    EXPECT_EQ(encodeReplay(back), bytes);
}

TEST(ReplayFile, AnyBitChangedAnywhereIsRefusedByTheChecksum) {
    const Replay replay = withRuns({128, 5, 300, 1, 1, 77});
    const std::vector<std::uint8_t> bytes = encodeReplay(replay);
    long refused = 0;
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        for (int bit = 0; bit < 8; ++bit) {
            std::vector<std::uint8_t> changed = bytes;
            changed[at] = static_cast<std::uint8_t>(changed[at] ^ (1u << bit));
            Replay back;
            std::string error;
            if (decodeReplay(changed.data(), changed.size(), back, error)) {
                ADD_FAILURE() << "bit " << bit << " of byte " << at << " changed and was read";
            } else {
                EXPECT_FALSE(error.empty());
                ++refused;
            }
        }
    }
    EXPECT_EQ(refused, static_cast<long>(bytes.size()) * 8);
}

namespace {

// Rewrites the checksum after a change, so that the checks behind it are reached.
void resign(std::vector<std::uint8_t>& bytes) {
    const std::uint32_t crc = replayChecksum(bytes.data(), bytes.size() - 4);
    for (int i = 0; i < 4; ++i) {
        bytes[bytes.size() - 4 + static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>(crc >> (8 * i));
    }
}

bool reads(const std::vector<std::uint8_t>& bytes, Replay& back, std::string& error) {
    return decodeReplay(bytes.data(), bytes.size(), back, error);
}

} // namespace

TEST(ReplayFile, AnOnlineRecordIsFormatTwoAndAnOfflineReplayStaysFormatOne) {
    const Replay offline = withRuns({5, 300, 1});
    Replay online = offline;
    online.names[0] = "ann";
    online.names[1] = "剋輪 kai";
    online.verdict = ReplayVerdict::Gone;
    online.verdictWinner = 1;
    const std::vector<std::uint8_t> one = encodeReplay(offline);
    const std::vector<std::uint8_t> two = encodeReplay(online);
    EXPECT_EQ(one[4], 1);
    EXPECT_EQ(two[4], 2);
    // Format 2 is format 1 with the record after the result: two names and two bytes.
    ASSERT_EQ(two.size(), one.size() + 1 + 3 + 1 + online.names[1].size() + 2);
    const std::size_t header = 7 + one[6] + 2;
    EXPECT_TRUE(std::equal(two.begin() + 5, two.begin() + static_cast<long>(header),
                           one.begin() + 5));
    EXPECT_TRUE(std::equal(two.end() - static_cast<long>(one.size() - header), two.end() - 4,
                           one.begin() + static_cast<long>(header)));

    Replay back;
    std::string error;
    ASSERT_TRUE(reads(two, back, error)) << error;
    EXPECT_EQ(back.names[0], "ann");
    EXPECT_EQ(back.names[1], "剋輪 kai");
    EXPECT_EQ(back.verdict, ReplayVerdict::Gone);
    EXPECT_EQ(back.verdictWinner, 1);
    EXPECT_EQ(back.inputs, online.inputs);
    EXPECT_EQ(encodeReplay(back), two);
    ASSERT_TRUE(reads(one, back, error)) << error;
    EXPECT_TRUE(back.names[0].empty() && back.names[1].empty());
    EXPECT_EQ(back.verdict, ReplayVerdict::None);

    // A verdict alone (a name the server never had) is a record too; a name no lobby takes is
    // written as none, so that the file still reads.
    Replay odd = offline;
    odd.verdict = ReplayVerdict::TooLong;
    odd.names[0] = "bad\x1bname";
    odd.names[1] = std::string(40, 'x');
    ASSERT_TRUE(reads(encodeReplay(odd), back, error)) << error;
    EXPECT_TRUE(back.names[0].empty() && back.names[1].empty());
    EXPECT_EQ(back.verdict, ReplayVerdict::TooLong);
    EXPECT_EQ(back.verdictWinner, replayNoWinner);

    // Every bit of the record is covered by the checksum; a damaged record made to pass it is
    // refused by the record's own checks.
    for (std::size_t at = header; at < header + 3; ++at) {
        std::vector<std::uint8_t> changed = two;
        changed[at] ^= 0x40;
        EXPECT_FALSE(reads(changed, back, error)) << at;
    }
    const std::size_t verdictAt = header + 1 + 3 + 1 + online.names[1].size();
    const struct {
        std::size_t at;
        std::uint8_t value;
    } damage[] = {{header, 33},          {header + 1, 0x07},  {header + 2, 0xC0},
                  {header + 4, 0},       {verdictAt, 6},      {verdictAt + 1, 3}};
    for (const auto& d : damage) {
        std::vector<std::uint8_t> changed = two;
        changed[d.at] = d.value;
        resign(changed);
        EXPECT_FALSE(reads(changed, back, error)) << "byte " << d.at << " = " << int(d.value);
        EXPECT_FALSE(error.empty());
    }
    // A later format is refused, naming the ones this game reads.
    std::vector<std::uint8_t> later = two;
    later[4] = 3;
    resign(later);
    EXPECT_FALSE(reads(later, back, error));
    EXPECT_NE(error.find("formats 1 to 2"), std::string::npos) << error;
}
