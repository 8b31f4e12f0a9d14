// The desktop games' command line: what runs, what is answered and exits, what is refused with
// the usage, and the language of it all.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "headless/headless.h"
#include "headless/headless_settings.h"

using namespace kokurin;

namespace {

struct Read {
    CommandLineAnswer answer;
    GameArguments arguments;
};

Read readLine(std::vector<const char*> args, bool takesReplays = true) {
    args.insert(args.begin(), "kokurin");
    Read read;
    read.arguments.replayFile = "untouched";
    read.answer = readCommandLine(static_cast<int>(args.size()), args.data(), takesReplays,
                                  read.arguments);
    return read;
}

// The options a usage text names.
std::set<std::string> optionsIn(const std::string& text) {
    std::set<std::string> found;
    const std::regex option("--[a-z]+");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), option);
         it != std::sregex_iterator(); ++it) {
        found.insert(it->str());
    }
    return found;
}

class CommandLine : public ::testing::Test {
  protected:
    void SetUp() override {
        headless::reset();
        headless::setLanguages("", "en_US.UTF-8");
    }
    void TearDown() override { headless::reset(); }
};

} // namespace

TEST_F(CommandLine, WhatTheGameRunsWithIsRead) {
    struct Case {
        std::vector<const char*> args;
        std::string language;
        OnlineRequest::Mode mode;
        std::string replay;
        int speed;
    };
    using Mode = OnlineRequest::Mode;
    const Case cases[] = {
        {{}, "", Mode::None, "", 1},
        {{"--lang", "ja"}, "ja", Mode::None, "", 1},
        {{"--lang=en"}, "en", Mode::None, "", 1},
        {{"--server", "h:1", "--join", "ab"}, "", Mode::Join, "", 1},
        {{"--quick", "--server=h", "--lang", "en"}, "en", Mode::Quick, "", 1},
        {{"--replay", "a b.kkr", "--speed", "8"}, "", Mode::None, "a b.kkr", 8},
        // macOS's Finder adds the process serial number to an application it starts.
        {{"-psn_0_1234567"}, "", Mode::None, "", 1},
    };
    for (const Case& c : cases) {
        const Read read = readLine(c.args);
        const std::string line = c.args.empty() ? "(none)" : c.args[0];
        EXPECT_EQ(read.answer.exitStatus, -1) << line << read.answer.text;
        EXPECT_EQ(read.arguments.language, c.language) << line;
        EXPECT_EQ(read.arguments.online.mode, c.mode) << line;
        EXPECT_EQ(read.arguments.replayFile, c.replay) << line;
        EXPECT_EQ(read.arguments.replaySpeed, c.speed) << line;
    }
    EXPECT_EQ(readLine({"--server", "h:1", "--join", "ab"}).arguments.online.room, "AB");
}

TEST_F(CommandLine, HelpAndVersionAnswerOnStdoutAndExitZeroWhateverElseIsThere) {
    for (const char* asked : {"--help", "-h"}) {
        const Read read = readLine({"--lang", "en", asked, "--srever"});
        EXPECT_EQ(read.answer.exitStatus, 0);
        EXPECT_FALSE(read.answer.refusal);
        EXPECT_EQ(read.answer.text, commandLineUsage(Language::English, true));
        EXPECT_EQ(read.arguments.replayFile, "untouched") << "nothing to run";
    }
    const Read version = readLine({"--version"});
    EXPECT_EQ(version.answer.exitStatus, 0);
    EXPECT_EQ(version.answer.text, std::string("kokurin 1.0.0\n"));
}

TEST_F(CommandLine, AnythingElseIsRefusedWithTheReasonAndTheUsageOnStderrAndExitsTwo) {
    const std::vector<std::vector<const char*>> refused = {
        {"--srever", "ws://h/"},
        {"replay.kkr"},
        {"-x"},
        {"--lang"},
        {"--lang", "fr"},
        {"--help=yes"},
        {"--host=1"},
        {"--speed", "3"},
        {"--server", "h o"},
        {"--join", "AB"},
        {"--server", "h", "--join", "A B"},
        {"--server", "h", "--host", "--quick"},
    };
    for (const auto& args : refused) {
        const Read read = readLine(args);
        EXPECT_EQ(read.answer.exitStatus, 2) << args[0];
        EXPECT_TRUE(read.answer.refusal) << args[0];
        EXPECT_EQ(read.arguments.replayFile, "untouched") << args[0];
        EXPECT_EQ(read.answer.text.rfind("kokurin: ", 0), 0u) << read.answer.text;
        EXPECT_NE(read.answer.text.find(commandLineUsage(Language::English, true)),
                  std::string::npos)
            << args[0];
    }
    EXPECT_NE(readLine({"--srever"}).answer.text.find("'--srever'"), std::string::npos);
    // The Windows game watches no replay files: there they are unknown options.
    const Read windows = readLine({"--replay", "a.kkr"}, false);
    EXPECT_EQ(windows.answer.exitStatus, 2);
    EXPECT_EQ(commandLineUsage(Language::English, false).find("--replay"), std::string::npos);
}

TEST_F(CommandLine, TheTextsAreInTheGamesLanguageAndBothUsagesNameTheSameOptions) {
    // An English system; --lang and the stored setting decide before it.
    EXPECT_EQ(readLine({"--srever"}).answer.text.find("unknown option"), 9u);
    headless::setLanguages("", "ja_JP.UTF-8");
    const std::string japanese = readLine({"--srever"}).answer.text;
    EXPECT_NE(japanese.find(textsOf(Language::Japanese).console.tryHelp), std::string::npos);
    EXPECT_NE(japanese.find(commandLineUsage(Language::Japanese, true)), std::string::npos);
    EXPECT_EQ(readLine({"--help", "--lang", "en"}).answer.text,
              commandLineUsage(Language::English, true));
    headless::setStoredSettings(StoredText::Read, "language = en\n");
    EXPECT_EQ(readLine({"-h"}).answer.text, commandLineUsage(Language::English, true));

    for (bool replays : {true, false}) {
        const std::set<std::string> english = optionsIn(commandLineUsage(Language::English, replays));
        EXPECT_EQ(optionsIn(commandLineUsage(Language::Japanese, replays)), english);
        // Every option the parser reads is in the usage, and no other.
        std::set<std::string> read = {"--lang", "--server", "--host", "--join", "--watch",
                                      "--quick", "--help", "--version"};
        if (replays) {
            read.insert({"--replay", "--speed"});
        }
        EXPECT_EQ(english, read);
    }
}
