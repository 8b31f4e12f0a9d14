// The replay file read back exactly as written, whatever the runs of equal frames (lengths
// around every boundary of their variable-length counts), and refused whole when any bit of it
// changes: every key and pick is covered by the checksum.
#include <gtest/gtest.h>

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
