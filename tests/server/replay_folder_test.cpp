// The replay folder: names made from room codes only, nothing overwritten, the oldest removed
// past the limits, half-written files of an interrupted run cleared; and the lobby saving
// through it (a code that could name a path outside it never gets that far).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "lobby_rig.h"
#include "replay_folder.h"

namespace kokurin::testing {
namespace {

namespace fs = std::filesystem;

struct Scratch {
    Scratch() {
        dir = fs::temp_directory_path() /
              ("kokurin-replays-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir / "replays");
    }
    ~Scratch() { fs::remove_all(dir); }
    std::string read(const std::string& name) const {
        std::ifstream in(dir / "replays" / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::vector<std::string> names() const {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(dir / "replays")) {
            found.push_back(entry.path().filename().string());
        }
        std::sort(found.begin(), found.end());
        return found;
    }
    fs::path dir;
};

std::vector<std::uint8_t> bytes(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

TEST(ReplayFolder, NeverOverwritesAndKeepsWithinItsLimits) {
    Scratch s;
    std::ofstream(s.dir / "replays" / "ROOM-1.kkr") << "an earlier match";
    std::ofstream(s.dir / "replays" / ".ROOM-1-7.part") << "half";
    std::ofstream(s.dir / "replays" / "notes.txt") << "the operator's";
    ReplayFolder folder((s.dir / "replays").string(), ReplayFolderLimits{3, 1000});
    EXPECT_EQ(folder.files(), 1u) << "the earlier replay counts";
    std::string path;
    std::string error;
    ASSERT_TRUE(folder.save("ROOM", 1, bytes("second"), path, error)) << error;
    EXPECT_EQ(fs::path(path).filename(), "ROOM-1-2.kkr");
    ASSERT_TRUE(folder.save("ROOM", 1, bytes("third"), path, error));
    EXPECT_EQ(s.read("ROOM-1.kkr"), "an earlier match");
    EXPECT_EQ(s.read("ROOM-1-2.kkr"), "second");
    EXPECT_EQ(s.read("ROOM-1-3.kkr"), "third");
    // A fourth replay is one past the count: the oldest goes.
    ASSERT_TRUE(folder.save("ABCD", 2, bytes("fourth"), path, error));
    EXPECT_EQ(s.names(), (std::vector<std::string>{"ABCD-2.kkr", "ROOM-1-2.kkr", "ROOM-1-3.kkr",
                                                   "notes.txt"}))
        << "the half-written file cleared, the operator's file kept";
    // Past the bytes: the oldest go until the rest fit.
    ASSERT_TRUE(folder.save("ABCD", 3, std::vector<std::uint8_t>(995, 1), path, error));
    EXPECT_EQ(s.names(), (std::vector<std::string>{"ABCD-3.kkr", "notes.txt"}));
    EXPECT_EQ(folder.bytes(), 995u);

    for (const char* bad : {"../web/x", "room", "AB", "ABCD/../../x"}) {
        EXPECT_FALSE(folder.save(bad, 1, bytes("x"), path, error)) << bad;
    }
    EXPECT_FALSE(fs::exists(s.dir / "web"));
}

TEST(ReplayFolder, TheLobbySavesEachMatchAndLogsAFailure) {
    Scratch s;
    ReplayFolder folder((s.dir / "replays").string(), ReplayFolderLimits{});
    LobbyRig rig({}, &folder);
    const ClientId a = rig.hello("a1");
    const ClientId b = rig.hello("b2");
    rig.create(a, "../web/x");
    EXPECT_EQ(rig.last(a, net::MessageType::Refused).reason,
              static_cast<std::uint8_t>(net::RefusalReason::RoomUnknown));
    rig.create(a, "saved");
    rig.join(b, "SAVED");
    rig.leave(a);
    EXPECT_EQ(s.names(), std::vector<std::string>{"SAVED-1.kkr"});
    Replay replay;
    std::string error;
    const std::string saved = s.read("SAVED-1.kkr");
    ASSERT_TRUE(decodeReplay(reinterpret_cast<const std::uint8_t*>(saved.data()), saved.size(),
                             replay, error))
        << error;

    // The folder gone: the match still gets its verdict, and the log says what was lost.
    fs::remove_all(s.dir / "replays");
    rig.create(a, "LOST");
    rig.join(b, "LOST");
    rig.leave(b);
    EXPECT_EQ(rig.last(a, net::MessageType::MatchOver).seat, 0);
    EXPECT_TRUE(rig.log.has("the replay of match LOST #1 was not saved")) << rig.log.lines.back();
}

} // namespace
} // namespace kokurin::testing
