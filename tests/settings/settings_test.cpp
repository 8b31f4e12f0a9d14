// Settings: the text round trip, each bad field falling back alone, bad and missing files (real
// files) meaning the defaults, a failed write keeping the old file, and the start applying them.
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#if !defined(_WIN32)
#include <unistd.h>
#endif

#include "headless/headless.h"
#include "headless/headless_settings.h"
#include "input/key_state.h"
#include "screens/title_screen.h"
#include "settings/settings_file.h"
#include "sound/sound_schedule.h"

namespace kokurin {
namespace {

namespace fs = std::filesystem;

Settings unusual() {
    Settings s;
    s.soundOn = false;
    s.volume = 40;
    s.fullscreen = true;
    s.windowScale = 3;
    s.lastOpponent = 7;
    s.playerName = "りんご player";
    s.serverAddress = "example.org:7000";
    s.replaysKept = 25;
    s.language = "en";
    s.reduceFlashing = true;
    s.keys.keys[0][keySelectIndex] = keyJ;
    s.keys.keys[1][keyLeftIndex] = keyPad4;
    s.unknown = {{"future_option", "blue"}};
    return s;
}

Settings parsed(const std::string& text, std::size_t expectedProblems) {
    std::vector<std::string> problems;
    Settings s = parseSettings(text, problems);
    EXPECT_EQ(problems.size(), expectedProblems) << text;
    return s;
}

TEST(Settings, TextRoundTripKeepsEveryFieldAndUnknownLines) {
    EXPECT_EQ(parsed(serializeSettings(unusual()), 0), unusual());
    EXPECT_EQ(parsed(serializeSettings(Settings()), 0), Settings());
    EXPECT_EQ(Settings().lastOpponent, -1);
    EXPECT_EQ(Settings().replaysKept, 300);
}

TEST(Settings, EachBadValueFallsBackAloneAndGarbageMeansDefaults) {
    Settings s = parsed("volume = 250\nsound = off\nwindow_scale = 9\nlanguage = fr\n"
                        "last_opponent = 16\n1p_left = NOSUCHKEY\nreplays_kept = -3\n"
                        "player_name = a\x01"
                        "b\nreduce_flashing = maybe\n",
                        8);
    Settings expected;
    expected.soundOn = false;
    EXPECT_EQ(s, expected);
    EXPECT_EQ(parsed("\x7f\x45LF\x02\x01\x01 binary junk\n\xff\xfe\n[\n", 3), Settings());
    // Bindings that are each fine but clash: the default keys, whatever else was right.
    Settings clash = parsed("volume = 20\n1p_left = LEFT\n", 1);
    EXPECT_EQ(clash.keys, defaultKeyBindings());
    EXPECT_EQ(clash.volume, 20);
}

TEST(Settings, AServersProcessesAreOneAddressLineLongerThanAName) {
    Settings s;
    s.serverAddress = "wss://kokurin-a.example.org/,wss://kokurin-b.example.org/,"
                      "wss://kokurin-c.example.org/";
    ASSERT_GT(s.serverAddress.size(), 64u);
    EXPECT_EQ(parsed(serializeSettings(s), 0), s);
    EXPECT_EQ(parsed("server_address = " + std::string(513, 'a') + "\n", 1), Settings());
    EXPECT_EQ(parsed("player_name = " + std::string(65, 'a') + "\n", 1), Settings())
        << "a name stays as short as it was";
}

class SettingsFile : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("kokurin-settings-" +
                   std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        path_ = (folder_ / "sub" / "settings.ini").string();
    }
    void TearDown() override {
        fs::permissions(folder_ / "sub", fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(folder_);
    }
    fs::path folder_;
    std::string path_;
};

TEST_F(SettingsFile, WrittenFileReadsBackAndMissingOrFolderIsNotText) {
    std::string text;
    EXPECT_EQ(readSettingsFile(path_, text), StoredText::Missing);
    ASSERT_TRUE(replaceSettingsFile(path_, serializeSettings(unusual())));
    ASSERT_EQ(readSettingsFile(path_, text), StoredText::Read);
    EXPECT_EQ(parsed(text, 0), unusual());
    EXPECT_FALSE(fs::exists(path_ + ".tmp"));
    fs::remove(path_);
    fs::create_directory(path_);
    EXPECT_EQ(readSettingsFile(path_, text), StoredText::Unreadable);
}

TEST_F(SettingsFile, FailedWriteLeavesTheOldFileWhole) {
    ASSERT_TRUE(replaceSettingsFile(path_, "volume = 10\n"));
    // A folder where the temporary file must go: the write fails before touching the file.
    fs::create_directory(path_ + ".tmp");
    fs::create_directory(path_ + ".tmp/x");
    EXPECT_FALSE(replaceSettingsFile(path_, "volume = 90\n"));
    std::string text;
    ASSERT_EQ(readSettingsFile(path_, text), StoredText::Read);
    EXPECT_EQ(text, "volume = 10\n");
    fs::remove_all(path_ + ".tmp");
#if !defined(_WIN32)
    if (geteuid() != 0) {
        // A folder that takes no new file (root writes anywhere, so only as a user).
        fs::permissions(folder_ / "sub", fs::perms::owner_write, fs::perm_options::remove);
        EXPECT_FALSE(replaceSettingsFile(path_, "volume = 90\n"));
        ASSERT_EQ(readSettingsFile(path_, text), StoredText::Read);
        EXPECT_EQ(text, "volume = 10\n");
    }
#endif
}

TEST(SettingsStart, MissingUnreadableEmptyOrGarbageStoreMeansDefaults) {
    const std::pair<StoredText, std::string> cases[] = {
        {StoredText::Missing, ""},
        {StoredText::Unreadable, ""},
        {StoredText::Read, ""},
        {StoredText::Read, "\x01\x02garbage\n===\n"},
    };
    for (const auto& c : cases) {
        headless::reset();
        headless::setStoredSettings(c.first, c.second);
        EXPECT_EQ(loadSettings(), Settings());
    }
}

// The start applies the stored volume, mute and window, and the title opens on the stored
// opponent; a match started remembers its opponent.
TEST(SettingsStart, StoredSettingsAreAppliedAndTheOpponentRemembered) {
    headless::reset();
    headless::StartUp startUp;
    startUp.sound = true;
    headless::setStartUp(startUp);
    Settings stored;
    stored.volume = 30;
    stored.soundOn = false;
    stored.fullscreen = true;
    stored.windowScale = 3;
    stored.lastOpponent = 4;
    headless::setStoredSettings(StoredText::Read, serializeSettings(stored));
    headless::KeyScript keys;
    keys.tap(3, keyS);
    keys.tap(6, keySpace);
    headless::setKeySource(&keys);
    headless::setPollLimit(12);
    runGame();
    EXPECT_EQ(headless::soundVolume(), 30);
    EXPECT_TRUE(headless::soundMutedByGame());
    EXPECT_TRUE(headless::fullscreenPreferred());
    EXPECT_EQ(headless::windowScalePreferred(), 3);
    ASSERT_GE(headless::loadedPictures().size(), 2u);
    EXPECT_EQ(headless::loadedPictures()[0], std::string("data/") + rosterPortraits[4]);
    std::vector<std::string> problems;
    EXPECT_EQ(parseSettings(headless::storedSettings(), problems).lastOpponent, 5);
    // The mute is the sound schedule's, kept between runs: back to where other tests expect it.
    muteSound(false);

    // Without stored settings: entry 0, and the start calls nothing new.
    headless::reset();
    headless::setPollLimit(3);
    runGame();
    EXPECT_EQ(headless::loadedPictures()[0], std::string("data/") + rosterPortraits[0]);
    EXPECT_EQ(headless::soundVolume(), 100);
    EXPECT_EQ(headless::settingsWrites(), 0);
}

} // namespace
} // namespace kokurin
